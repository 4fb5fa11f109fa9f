#include "browser_fixture.h"

#include <memory>
#include <utility>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

#include "platform/widget_handle.h"

void BrowserFixture::SetUp() {
    client = new TestClient;
    window = new QWidget;
    window->resize(640, 480);
    host = new QWidget(window);
    host->setGeometry(5, 30, 620, 440);
    window->show();
}

void BrowserFixture::TearDown() {
    // Whatever a test left open goes the way a closing application's browsers go.
    const std::vector<CefRefPtr<CefBrowser>> open = client->browsers;
    client->keep_open = false;
    for (const CefRefPtr<CefBrowser> &browser : open) {
        if (browser->IsPopup()) {
            browser->GetHost()->CloseBrowser(true);
        }
    }
    delete window;
    settle();
    EXPECT_TRUE(client->browsers.empty());
    client = nullptr;
}

CefRefPtr<CefBrowser> BrowserFixture::createBrowser(const QString &url, const QRect &rect) {
    const size_t before = client->browsers.size();
    CefWindowInfo info;
    info.SetAsChild(platform::handleOfWidget(host),
                    CefRect(rect.x(), rect.y(), rect.width(), rect.height()));
    EXPECT_TRUE(CefBrowserHost::CreateBrowser(info, client.get(), url.toStdString(),
                                              CefBrowserSettings(), nullptr, nullptr));
    if (!waitFor([&] { return client->browsers.size() > before; })) {
        return nullptr;
    }
    return client->browsers.back();
}

QWebEngineView *BrowserFixture::viewOf(CefRefPtr<CefBrowser> browser) {
    return qobject_cast<QWebEngineView *>(
        platform::widgetOfHandle(browser->GetHost()->GetWindowHandle()));
}

bool BrowserFixture::waitFor(const std::function<bool()> &condition, int timeout_ms) {
    // A short event loop per check: the engine keeps posting events, and a processEvents with a
    // time limit would hold the check back for all of that time.
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.hasExpired(timeout_ms)) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

bool BrowserFixture::waitForTitle(CefRefPtr<CefBrowser> browser, const QString &title) {
    return waitFor([&] {
        QWebEngineView *view = viewOf(browser);
        return view && view->title() == title && !browser->IsLoading();
    });
}

void BrowserFixture::runJavaScript(CefRefPtr<CefBrowser> browser, const QString &code) {
    browser->GetMainFrame()->ExecuteJavaScript(code.toStdString(), "", 0);
}

QVariant BrowserFixture::evaluate(CefRefPtr<CefBrowser> browser, const QString &expression) {
    // Shared with the callback, which may come after a wait that gave up.
    auto result = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
    viewOf(browser)->page()->runJavaScript(expression, [result](const QVariant &value) {
        *result = {true, value};
    });
    waitFor([&] { return result->first; }, 5000);
    return result->second;
}

bool BrowserFixture::waitForPaint(CefRefPtr<CefBrowser> browser) {
    runJavaScript(browser,
                  "requestAnimationFrame(() => requestAnimationFrame(() => {"
                  " window.painted = true; }))");
    return waitFor([&] { return evaluate(browser, "window.painted === true").toBool(); });
}

int BrowserFixture::countWindowsTitled(const QString &title) {
    int count = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->windowTitle() == title) {
            ++count;
        }
    }
    return count;
}

void BrowserFixture::settle(int ms) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
