#include "browser_fixture.h"

#include <QApplication>
#include <QTest>
#include <QWebEngineView>

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
    info.SetAsChild(host->winId(), CefRect(rect.x(), rect.y(), rect.width(), rect.height()));
    EXPECT_TRUE(CefBrowserHost::CreateBrowser(info, client.get(), url.toStdString(),
                                              CefBrowserSettings(), nullptr, nullptr));
    if (!waitFor([&] { return client->browsers.size() > before; })) {
        return nullptr;
    }
    return client->browsers.back();
}

QWebEngineView *BrowserFixture::viewOf(CefRefPtr<CefBrowser> browser) {
    return qobject_cast<QWebEngineView *>(
        QWidget::find(static_cast<WId>(browser->GetHost()->GetWindowHandle())));
}

bool BrowserFixture::waitFor(const std::function<bool()> &condition, int timeout_ms) {
    return QTest::qWaitFor(condition, timeout_ms);
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
    QTest::qWait(ms);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
