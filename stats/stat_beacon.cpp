#include "stats/stat_beacon.h"

#include <QDebug>
#include <QEventLoop>
#include <QLocale>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include "platform/platform.h"
#include "stats/device_id.h"
#include "stats/stat_url.h"

namespace {

// The start beacon holds the window back: a statistics server that never answers, or answers a
// byte at a time, may not keep it waiting longer than this, counted from the request.
constexpr int kReplyDeadlineMilliseconds = 5000;

// The language header as the toolkit's own HTTP stack writes it.
QByteArray acceptLanguage() {
    QLocale locale = QLocale::system();
    if (locale == QLocale::c()) {
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    }
    const QByteArray name = locale.bcp47Name().toLatin1();
    return locale.language() == QLocale::English ? name + ",*" : name + ",en,*";
}

// Sends one GET for url and waits, dispatching events, until the server has answered with its
// status and headers, has closed the connection or has failed, or the deadline has passed. The
// toolkit's network access manager sends a GET again by itself when the server drops the
// connection, and no request attribute stops it; each of those would count as another event.
void getOnce(const QUrl &url) {
    const QList<QNetworkProxy> proxies =
        QNetworkProxyFactory::systemProxyForQuery(QNetworkProxyQuery(url));
    const QNetworkProxy proxy =
        proxies.isEmpty() ? QNetworkProxy(QNetworkProxy::NoProxy) : proxies.first();
    const bool viaHttpProxy = proxy.type() == QNetworkProxy::HttpProxy;

    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (url.port() != -1 && url.port() != 80) {
        host += ':' + QByteArray::number(url.port());
    }
    const QByteArray target =
        viaHttpProxy
            ? url.toEncoded(QUrl::RemoveFragment | QUrl::RemoveUserInfo)
            : url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment);
    const QByteArray request = "GET " + (target.isEmpty() ? QByteArray("/") : target) +
                               " HTTP/1.1\r\nHost: " + host +
                               "\r\nConnection: Keep-Alive\r\n"
                               "Accept-Encoding: zstd, br, gzip, deflate\r\n"
                               "Accept-Language: " +
                               acceptLanguage() + "\r\nUser-Agent: Mozilla/5.0\r\n\r\n";

    QEventLoop loop;
    QTcpSocket socket;
    QByteArray received;
    socket.setProxy(viaHttpProxy ? QNetworkProxy(QNetworkProxy::NoProxy) : proxy);
    QObject::connect(&socket, &QTcpSocket::connected, &loop, [&] { socket.write(request); });
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
        received += socket.readAll();
        if (received.contains("\r\n\r\n")) {
            loop.quit();
        }
    });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &loop, &QEventLoop::quit);
    // A precise timer: a coarse one may end the wait up to 5% early.
    QTimer::singleShot(kReplyDeadlineMilliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    if (viaHttpProxy) {
        socket.connectToHost(proxy.hostName(), proxy.port());
    } else {
        socket.connectToHost(url.host(), static_cast<quint16>(url.port(80)));
    }
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
