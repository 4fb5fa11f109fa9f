#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include "stats/stat_beacon.h"

namespace {

QStringList debugLines;

void recordDebugLines(QtMsgType type, const QMessageLogContext &, const QString &message) {
    if (type == QtDebugMsg) {
        debugLines << message;
    }
}

// The proxy the beacons go through: a server on 127.0.0.1 that records each request line and
// answers as the test asks.
class StatServer : public QObject {
public:
    enum Answer { Ok, Redirect, Never, Slow, Trickle, Drop, KeepAlive };

    explicit StatServer(Answer answer) : answer_(answer) {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server_.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            }
        });
    }
    QByteArray proxy() const {
        return "http://127.0.0.1:" + QByteArray::number(server_.serverPort());
    }
    // Once a request of the test's own, sent after the client has returned, has arrived, anything
    // the client sent before it has arrived too.
    QList<QByteArray> requestsBeforeMarker() {
        QTcpSocket marker;
        marker.setProxy(QNetworkProxy::NoProxy);
        marker.connectToHost(QHostAddress::LocalHost, server_.serverPort());
        marker.write("GET /marker HTTP/1.1\r\n\r\n");
        const qsizetype before = requests.size();
        const QDeadlineTimer deadline(10000);
        while (!requests.mid(before).contains("GET /marker HTTP/1.1") && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        EXPECT_TRUE(requests.mid(before).contains("GET /marker HTTP/1.1"));
        return requests.mid(0, requests.indexOf("GET /marker HTTP/1.1"));
    }
    QList<QByteArray> requests;

private:
    void read(QTcpSocket *socket) {
        QByteArray &buffer = buffers_[socket];
        buffer += socket->readAll();
        if (!buffer.contains("\r\n\r\n")) {
            return;
        }
        requests << buffer.left(buffer.indexOf("\r\n"));
        buffer.clear();
        const QByteArray ok = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        switch (answer_) {
            case Ok:
                socket->write(ok);
                socket->disconnectFromHost();
                break;
            case Redirect:
                // A name, not a loopback address, so that a followed redirect comes back here
                // through the proxy.
                socket->write(
                    "HTTP/1.1 302 Found\r\nLocation: http://stat.vantoro.example/elsewhere\r\n"
                    "Content-Length: 0\r\nConnection: close\r\n\r\n");
                socket->disconnectFromHost();
                break;
            case Slow:
                QTimer::singleShot(400, socket, [socket, ok] {
                    socket->write(ok);
                    socket->disconnectFromHost();
                });
                break;
            case Trickle: {
                // A status line, then a header that never ends.
                socket->write("HTTP/1.1 200 OK\r\nX-Slow: ");
                auto *timer = new QTimer(socket);
                connect(timer, &QTimer::timeout, socket, [socket] { socket->write("x"); });
                timer->start(500);
                break;
            }
            case Drop:
                socket->abort();
                break;
            case KeepAlive:
                socket->write(
                    "HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: keep-alive\r\n\r\n");
                break;
            case Never:
                break;
        }
    }

    Answer answer_;
    QTcpServer server_;
    QHash<QTcpSocket *, QByteArray> buffers_;
};

class StatBeaconTest : public ::testing::Test {
protected:
    void SetUp() override {
        debugLines.clear();
        previous_ = qInstallMessageHandler(recordDebugLines);
    }
    void TearDown() override { qInstallMessageHandler(previous_); }
    void useProxy(const QByteArray &proxy) { qputenv("http_proxy", proxy); }

    QtMessageHandler previous_ = nullptr;
};

TEST_F(StatBeaconTest, OneCallIsOneRequestAndOneDebugLine) {
    StatServer server(StatServer::Ok);
    useProxy(server.proxy());
    sendStatBeacon(kStatRefresh);

    ASSERT_EQ(server.requests.size(), 1);
    const QByteArray line = server.requests.first();
    EXPECT_TRUE(line.startsWith("GET http://stat.vantoro.example/stat-pc.gif?uniqId="))
        << line.data();
    EXPECT_TRUE(line.contains("&from=&firstFrom=&statId=770003&version=1.0.3 HTTP/1.1"))
        << line.data();
    ASSERT_EQ(debugLines.size(), 1);
    EXPECT_TRUE(line.contains(debugLines.first().toUtf8()));
}

TEST_F(StatBeaconTest, RedirectBringsNoSecondRequest) {
    StatServer server(StatServer::Redirect);
    useProxy(server.proxy());
    sendStatBeacon(kStatFirstStart);
    EXPECT_EQ(server.requests.size(), 1);
}

TEST_F(StatBeaconTest, RefusedConnectionReturnsPromptly) {
    // Bound but never listening: the port refuses connections and stays ours meanwhile.
    QTcpSocket closed;
    closed.setProxy(QNetworkProxy::NoProxy);
    ASSERT_TRUE(closed.bind(QHostAddress::LocalHost, 0)) << closed.errorString().toStdString();
    useProxy("http://127.0.0.1:" + QByteArray::number(closed.localPort()));
    QElapsedTimer timer;
    timer.start();
    sendStatBeacon(kStatLaterStart);
    EXPECT_LT(timer.elapsed(), 3000);
    EXPECT_EQ(debugLines.size(), 1);
}

TEST_F(StatBeaconTest, ServerThatNeverAnswersIsAbandoned) {
    StatServer server(StatServer::Never);
    useProxy(server.proxy());
    QElapsedTimer timer;
    timer.start();
    sendStatBeacon(kStatRefresh);
    EXPECT_GE(timer.elapsed(), 4000);
    EXPECT_LT(timer.elapsed(), 20000);
    EXPECT_EQ(server.requests.size(), 1);
}

TEST_F(StatBeaconTest, TricklingAndDroppingServersGetOneRequestWithinTheDeadline) {
    for (StatServer::Answer answer : {StatServer::Trickle, StatServer::Drop}) {
        StatServer server(answer);
        useProxy(server.proxy());
        QElapsedTimer timer;
        timer.start();
        sendStatBeacon(kStatRefresh);
        EXPECT_LT(timer.elapsed(), 6000) << answer;
        if (answer == StatServer::Trickle) {
            EXPECT_GE(timer.elapsed(), 4900);
        }
        EXPECT_EQ(server.requestsBeforeMarker().size(), 1) << answer;
    }
}

TEST_F(StatBeaconTest, ReplyHeadersEndTheWaitOnAConnectionKeptOpen) {
    StatServer server(StatServer::KeepAlive);
    useProxy(server.proxy());
    QElapsedTimer timer;
    timer.start();
    sendStatBeacon(kStatRefresh);
    EXPECT_LT(timer.elapsed(), 4000);
    EXPECT_EQ(server.requests.size(), 1);
}

// A server on a thread of its own that answers with a header that never ends, as fast as the
// client takes it.
class FloodServer {
public:
    FloodServer() {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr *>(&address), sizeof address);
        listen(listener_, 4);
        getsockname(listener_, reinterpret_cast<sockaddr *>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            const int client = accept(listener_, nullptr, nullptr);
            char request[4096];
            if (client < 0 || read(client, request, sizeof request) <= 0) {
                return;
            }
            const std::string status = "HTTP/1.1 200 OK\r\nX-Flood: ";
            const std::string piece(1 << 16, 'x');
            bool open = send(client, status.data(), status.size(), MSG_NOSIGNAL) > 0;
            while (open) {
                open = send(client, piece.data(), piece.size(), MSG_NOSIGNAL) > 0;
            }
            close(client);
        });
    }
    ~FloodServer() {
        shutdown(listener_, SHUT_RDWR);
        thread_.join();
        close(listener_);
    }
    QByteArray proxy() const { return "http://127.0.0.1:" + QByteArray::number(port_); }

private:
    int listener_ = -1;
    quint16 port_ = 0;
    std::thread thread_;
};

long peakMemoryKiB() {
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

TEST_F(StatBeaconTest, HeadersWithoutEndCostNoMemoryAndEndTheWait) {
    FloodServer server;
    useProxy(server.proxy());
    const long before = peakMemoryKiB();
    QElapsedTimer timer;
    timer.start();
    sendStatBeacon(kStatRefresh);
    EXPECT_LT(timer.elapsed(), 4000);
    EXPECT_LT(peakMemoryKiB() - before, 32 * 1024);
}

TEST_F(StatBeaconTest, SecondCallDuringAWaitRunsNestedAndBothArrive) {
    StatServer server(StatServer::Slow);
    useProxy(server.proxy());
    bool innerDone = false;
    QTimer::singleShot(100, [&] {
        sendStatBeacon(kStatRefresh);
        innerDone = true;
    });
    sendStatBeacon(kStatRefresh);
    // The outer call returns only after the inner one has.
    EXPECT_TRUE(innerDone);
    EXPECT_EQ(server.requests.size(), 2);
    EXPECT_EQ(debugLines.size(), 2);
}

// Last: a look-up left waiting for its file holds the system's look-up for later ones.
TEST_F(StatBeaconTest, ProxyLookUpCountsAgainstTheDeadline) {
    // A proxy auto-configuration file that never comes; a look-up that is not bounded would hang
    // here, and the alarm ends the test instead.
    QTcpServer pac;
    ASSERT_TRUE(pac.listen(QHostAddress::LocalHost));
    useProxy("pac+http://127.0.0.1:" + QByteArray::number(pac.serverPort()) + "/proxy.pac");
    alarm(60);
    QElapsedTimer timer;
    timer.start();
    sendStatBeacon(kStatRefresh);
    const qint64 elapsed = timer.elapsed();
    alarm(0);
    if (!pac.hasPendingConnections()) {
        GTEST_SKIP() << "the system's proxy look-up fetches no auto-configuration file here";
    }
    EXPECT_LT(elapsed, 6000);
}

}  // namespace
