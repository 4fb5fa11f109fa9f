#include "stats/stat_beacon.h"

#include <QDebug>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include "platform/platform.h"
#include "stats/device_id.h"
#include "stats/stat_url.h"

namespace {

// A statistics server that accepts and never answers must not hold the window back for ever.
constexpr int kTransferTimeoutMilliseconds = 5000;

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

    QNetworkAccessManager manager;
    QEventLoop loop;
    QNetworkRequest request(QUrl(url, QUrl::TolerantMode));
    // One beacon is one request: Qt 6 would follow a redirect with a second one.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setTransferTimeout(kTransferTimeoutMilliseconds);
    QNetworkReply *reply = manager.get(request);
    QObject::connect(reply, SIGNAL(finished()), &loop, SLOT(quit()));
    loop.exec();
}
