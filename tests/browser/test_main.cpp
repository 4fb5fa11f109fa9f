#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QHostAddress>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "tests/browser/test_owner.h"
#include "ui/vantoro_client.h"

namespace {

VantoroClient *owner = nullptr;

// A port on 127.0.0.1 that nothing listens on, so a request through it is refused at once.
quint16 closedLocalPort() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

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
    // The window's start beacon goes through this proxy and fails without waiting for a network.
    const QByteArray proxy = "http://127.0.0.1:" + QByteArray::number(closedLocalPort());
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
