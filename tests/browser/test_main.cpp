#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "tests/browser/test_owner.h"
#include "ui/vantoro_client.h"

namespace {

VantoroClient *owner = nullptr;

}  // namespace

VantoroClient &testOwner() {
    return *owner;
}

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);

    // The window writes its first-run marker and the engine would keep its data below these.
    QTemporaryDir home;
    QTemporaryDir work;
    if (!home.isValid() || !work.isValid()) {
        return 2;
    }
    qputenv("HOME", home.path().toUtf8());
    QDir::setCurrent(work.path());

    QApplication application(argc, argv);
    // The window's start beacon goes through this proxy and fails without waiting for a network:
    // a port bound and never listening refuses connections, and stays ours meanwhile.
    QTcpSocket closed;
    closed.setProxy(QNetworkProxy::NoProxy);
    if (!closed.bind(QHostAddress::LocalHost, 0)) {
        return 2;
    }
    const QByteArray proxy = "http://127.0.0.1:" + QByteArray::number(closed.localPort());
    qputenv("http_proxy", proxy);
    qputenv("HTTP_PROXY", proxy);
    qunsetenv("no_proxy");
    qunsetenv("NO_PROXY");

    VantoroClient window(nullptr);
    owner = &window;
    const int result = RUN_ALL_TESTS();
    owner = nullptr;
    return result;
}
