// A window with a host widget, a local site and a recording client, and the waits the tests share.
#ifndef TESTS_ENGINE_BROWSER_BROWSER_FIXTURE_H_
#define TESTS_ENGINE_BROWSER_BROWSER_FIXTURE_H_

#include <gtest/gtest.h>

#include <functional>

#include <QPointer>
#include <QRect>
#include <QVariant>
#include <QWidget>

#include "test_client.h"
#include "test_http_server.h"

class QWebEngineView;

class BrowserFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates a browser inside host at rect and waits until the client has it.
    CefRefPtr<CefBrowser> createBrowser(const QString &url, const QRect &rect = {10, 20, 400, 300});
    // The widget behind a browser's window handle.
    static QWebEngineView *viewOf(CefRefPtr<CefBrowser> browser);
    static bool waitFor(const std::function<bool()> &condition, int timeout_ms = 15000);
    static bool waitForTitle(CefRefPtr<CefBrowser> browser, const QString &title);
    static void runJavaScript(CefRefPtr<CefBrowser> browser, const QString &code);
    // The value of a script expression in the browser's page; invalid when it never came.
    static QVariant evaluate(CefRefPtr<CefBrowser> browser, const QString &expression);
    // Waits until the page has drawn a frame, after which it takes mouse input.
    static bool waitForPaint(CefRefPtr<CefBrowser> browser);
    // Visible top-level windows titled title.
    static int countWindowsTitled(const QString &title);
    // Lets queued deletions and late engine events happen.
    static void settle(int ms = 300);

    TestHttpServer server;
    CefRefPtr<TestClient> client;
    QPointer<QWidget> window;
    QWidget *host = nullptr;
};

#endif  // TESTS_ENGINE_BROWSER_BROWSER_FIXTURE_H_
