#include <gtest/gtest.h>

#include <QCoreApplication>
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
    enum Answer { Ok, Redirect, Never, Slow, Trickle, Drop };

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
        // Time for a resend to show up.
        QTest::qWait(300);
        EXPECT_EQ(server.requests.size(), 1) << answer;
    }
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

}  // namespace
