#include <QApplication>
#include <QWebEngineView>

#include "browser_fixture.h"
#include "include/cef_app.h"

namespace {

using Shutdown = BrowserFixture;

TEST_F(Shutdown, ClosesEveryBrowserAndTheEngineWindows) {
    server.setPage("/", "<html><head><title>main</title></head><body></body></html>");
    server.setPage("/popup", "<html><head><title>popup</title></head><body></body></html>");
    CefRefPtr<CefBrowser> browser = createBrowser(server.url("/"));
    ASSERT_TRUE(browser && waitForTitle(browser, "main"));
    browser->GetMainFrame()->ExecuteJavaScript("window.open('/popup', '', 'width=300,height=200')",
                                               "", 0);
    ASSERT_TRUE(waitFor([&] { return client->browsers.size() == 2; }));
    CefRefPtr<CefBrowser> popup = client->browsers[1];
    QPointer<QWebEngineView> view = viewOf(browser);
    QPointer<QWebEngineView> popup_view = viewOf(popup);
    CefWindowInfo info;
    info.SetAsPopup(0, "DevTools");
    browser->GetHost()->ShowDevTools(info, nullptr, CefBrowserSettings(), CefPoint());
    ASSERT_TRUE(waitFor([] { return countWindowsTitled("DevTools") == 1; }));

    CefShutdown();

    EXPECT_EQ(client->events,
              (std::vector<std::string>{"created:" + std::to_string(browser->GetIdentifier()),
                                        "created:" + std::to_string(popup->GetIdentifier()),
                                        "do_close:" + std::to_string(browser->GetIdentifier()),
                                        "closed:" + std::to_string(browser->GetIdentifier()),
                                        "do_close:" + std::to_string(popup->GetIdentifier()),
                                        "closed:" + std::to_string(popup->GetIdentifier())}));
    EXPECT_TRUE(client->browsers.empty());
    EXPECT_TRUE(view.isNull());
    EXPECT_TRUE(popup_view.isNull());
    int engine_windows = 0;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        engine_windows += qobject_cast<QWebEngineView *>(widget) != nullptr;
    }
    EXPECT_EQ(engine_windows, 0);
    EXPECT_TRUE(window->isVisible());
}

}  // namespace
