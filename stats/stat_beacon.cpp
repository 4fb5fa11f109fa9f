#include "stats/stat_beacon.h"

#include <QDebug>
#include <QEventLoop>
#include <QLocale>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <memory>

#include "platform/platform.h"
#include "stats/device_id.h"
#include "stats/stat_url.h"

namespace {

// The start beacon holds the window back: a statistics server that never answers, or answers a
// byte at a time, may not keep it waiting longer than this, counted from the request.
constexpr int kReplyDeadlineMilliseconds = 5000;
// Status line and headers of the statistics server's reply fit many times over; a reply that has
// not ended its headers by then will not be waited for.
constexpr qint64 kReplyHeaderLimit = 16 * 1024;

// The language header as the toolkit's own HTTP stack writes it.
QByteArray acceptLanguage() {
    QLocale locale = QLocale::system();
    if (locale == QLocale::c()) {
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    }
    const QByteArray name = locale.bcp47Name().toLatin1();
    return locale.language() == QLocale::English ? name + ",*" : name + ",en,*";
}

// The request line and headers as the toolkit's own HTTP stack writes them, in the form the
// chosen way to the server needs.
QByteArray requestFor(const QUrl &url, bool viaHttpProxy) {
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (url.port() != -1 && url.port() != 80) {
        host += ':' + QByteArray::number(url.port());
    }
    const QByteArray target =
        viaHttpProxy
            ? url.toEncoded(QUrl::RemoveFragment | QUrl::RemoveUserInfo)
            : url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    return "GET " + (target.isEmpty() ? QByteArray("/") : target) + " HTTP/1.1\r\nHost: " + host +
           "\r\nConnection: Keep-Alive\r\n"
           "Accept-Encoding: zstd, br, gzip, deflate\r\n"
           "Accept-Language: " +
           acceptLanguage() + "\r\nUser-Agent: Mozilla/5.0\r\n\r\n";
}

// Sends one GET for url and waits, dispatching events, until the server has answered with its
// status and headers, has closed the connection or has failed, or the deadline has passed. The
// toolkit's network access manager sends a GET again by itself when the server drops the
// connection, and no request attribute stops it; each of those would count as another event.
void getOnce(const QUrl &url) {
    QEventLoop loop;
    // A precise timer: a coarse one may end the wait up to 5% early. It runs from the start: the
    // system's proxy look-up may fetch a proxy auto-configuration file from the network.
    QTimer::singleShot(kReplyDeadlineMilliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);

    QTcpSocket socket;
    // The reply is only looked at for the end of its headers, so it is read in small pieces
    // and never kept: a server that sends without end costs no memory.
    socket.setReadBufferSize(kReplyHeaderLimit);
    qint64 received = 0;
    QByteArray tail;
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
        char piece[4096];
        qint64 length;
        while ((length = socket.read(piece, sizeof piece)) > 0) {
            const QByteArray scanned = tail + QByteArray::fromRawData(piece, length);
            received += length;
            if (scanned.contains("\r\n\r\n") || received >= kReplyHeaderLimit) {
                loop.quit();
                return;
            }
            tail = scanned.right(3);
        }
    });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);

    // The look-up cannot be interrupted: when the deadline passes first, its thread is left to
    // finish and delete itself.
    const auto proxies = std::make_shared<QList<QNetworkProxy>>();
    QThread *lookUp = QThread::create([proxies, url] {
        *proxies = QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
    });
    QObject::connect(lookUp, &QThread::finished, lookUp, &QObject::deleteLater);
    QObject::connect(lookUp, &QThread::finished, &loop, [&] {
        const QNetworkProxy proxy =
            proxies->isEmpty() ? QNetworkProxy(QNetworkProxy::NoProxy) : proxies->first();
        const bool viaHttpProxy = proxy.type() == QNetworkProxy::HttpProxy;
        const QByteArray request = requestFor(url, viaHttpProxy);
        QObject::connect(&socket, &QTcpSocket::connected, &loop,
                         [&socket, request] { socket.write(request); });
        socket.setProxy(viaHttpProxy ? QNetworkProxy(QNetworkProxy::NoProxy) : proxy);
        if (viaHttpProxy) {
            socket.connectToHost(proxy.hostName(), proxy.port());
        } else {
            socket.connectToHost(url.host(), static_cast<quint16>(url.port(80)));
        }
    });
    lookUp->start();
    loop.exec();
    socket.abort();
}

}  // namespace

void sendStatBeacon(int kind) {
    char address[kAdapterAddressBufferSize] = {};
    getAdapterMacAddress(address);
    int width = 0;
    int height = 0;
    platform::primaryScreenSize(width, height);
    const QString url = QString::fromStdString(
        buildStatUrl(VT_STAT_ENDPOINT, address, platform::osVersionText(), width, height, kind));

    qDebug().noquote() << url;

    getOnce(QUrl(url, QUrl::TolerantMode));
}

void prepareStatBeacons() {
    // As in the beacon's own look-up, the thread is left to finish and delete itself.
    QThread *lookUp = QThread::create([] {
        QNetworkProxyFactory::systemProxyForQuery(
            QNetworkProxyQuery(QUrl(QStringLiteral(VT_STAT_ENDPOINT), QUrl::TolerantMode)));
    });
    QObject::connect(lookUp, &QThread::finished, lookUp, &QObject::deleteLater);
    lookUp->start();
}
