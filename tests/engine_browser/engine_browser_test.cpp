#include <csignal>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QImage>
#include <QMenu>
#include <QNetworkProxy>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>

#include "browser_fixture.h"

namespace {

const char kFirstPage[] =
    "<html><head><title>first</title></head><body style='margin:0'>"
    "<input id='field' value='hello' "
    "style='position:absolute;left:10px;top:10px;width:200px;height:30px'>"
    "<p id='text' style='position:absolute;left:10px;top:60px;margin:0;font-size:20px'>"
    "plain words</p>"
    "<a id='blank' target='_blank' href='/target' "
    "style='position:absolute;left:10px;top:120px;font-size:20px'>new tab</a>"
    "</body></html>";

const QPoint kFieldPos(60, 25);
const QPoint kTextPos(40, 70);
const QPoint kLinkPos(30, 132);
const QPoint kBlankPos(300, 250);

std::string eventOf(const char *name, CefRefPtr<CefBrowser> browser) {
    return std::string(name) + ":" + std::to_string(browser->GetIdentifier());
}

void clearMenu(CefMenuModel &model) {
    while (model.RemoveAt(0)) {
    }
}

QByteArray titled(const char *title) {
    return QByteArray("<html><head><title>") + title + "</title></head><body>" + title +
           "</body></html>";
}

class EngineBrowser : public BrowserFixture {
protected:
    void SetUp() override {
        BrowserFixture::SetUp();
        server.setPage("/", kFirstPage);
        for (const char *title : {"second", "target", "popup"}) {
            server.setPage(QStringLiteral("/") + title, titled(title));
        }
    }

    // The main browser on the first page, ready for input.
    CefRefPtr<CefBrowser> openFirstPage() {
        CefRefPtr<CefBrowser> browser = createBrowser(server.url("/"));
        EXPECT_TRUE(browser && waitForTitle(browser, "first"));
        EXPECT_TRUE(waitFor([&] { return viewOf(browser)->focusProxy() != nullptr; }));
        EXPECT_TRUE(waitForPaint(browser));
        return browser;
    }

    void click(CefRefPtr<CefBrowser> browser, Qt::MouseButton button, const QPoint &pos) {
        QTest::mouseClick(viewOf(browser)->focusProxy(), button, {}, pos);
    }

    // Right-clicks at pos and returns the menu on screen, or nullptr once the client has seen
    // the request and no menu came up.
    QMenu *openMenu(CefRefPtr<CefBrowser> browser, const QPoint &pos) {
        const size_t before = client->menus.size();
        click(browser, Qt::RightButton, pos);
        EXPECT_TRUE(waitFor([&] { return client->menus.size() > before; }));
        waitFor([] { return QApplication::activePopupWidget() != nullptr; }, 1000);
        return qobject_cast<QMenu *>(QApplication::activePopupWidget());
    }

    static QAction *actionFor(QMenu *menu, int command_id) {
        for (QAction *action : menu->actions()) {
            if (!action->isSeparator() && action->data().toInt() == command_id) {
                return action;
            }
        }
        return nullptr;
    }
};

TEST_F(EngineBrowser, CreatesAChildViewAtItsRectAndReportsItOnce) {
    CefWindowInfo nowhere;
    nowhere.SetAsChild(0x7ffffff0, CefRect(0, 0, 10, 10));
    EXPECT_FALSE(CefBrowserHost::CreateBrowser(nowhere, client.get(), "about:blank",
                                               CefBrowserSettings(), nullptr, nullptr));

    CefRefPtr<CefBrowser> browser = createBrowser(server.url("/"), QRect(10, 20, 400, 300));
    ASSERT_TRUE(browser);
    EXPECT_NE(browser->GetIdentifier(), 0);
    EXPECT_FALSE(browser->IsPopup());
    EXPECT_NE(browser->GetHost()->GetWindowHandle(), 0u);
    QWebEngineView *view = viewOf(browser);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->parentWidget(), host);
    EXPECT_EQ(view->geometry(), QRect(10, 20, 400, 300));
    EXPECT_TRUE(waitForTitle(browser, "first"));
    EXPECT_EQ(server.requestCount("/"), 1);

    CefRefPtr<CefBrowser> second = createBrowser(server.url("/second"));
    ASSERT_TRUE(second);
    EXPECT_NE(second->GetIdentifier(), 0);
    EXPECT_NE(second->GetIdentifier(), browser->GetIdentifier());
    EXPECT_TRUE(browser->IsSame(browser->GetHost()->GetBrowser()));
    EXPECT_FALSE(browser->IsSame(second));
    settle();
    EXPECT_EQ(client->events,
              (std::vector<std::string>{eventOf("created", browser), eventOf("created", second)}));
}

TEST_F(EngineBrowser, PageIsDrawnInsideTheHost) {
    server.setPage("/red",
                   "<html><head><title>red</title></head>"
                   "<body style='background:#ff0000'></body></html>");
    CefRefPtr<CefBrowser> browser = createBrowser(server.url("/red"), QRect(10, 20, 200, 100));
    ASSERT_TRUE(browser && waitForTitle(browser, "red"));
    EXPECT_TRUE(waitFor([&] {
        const QImage image = host->grab().toImage();
        return image.pixelColor(110, 70) == QColor(255, 0, 0) &&
               image.pixelColor(5, 5) != QColor(255, 0, 0);
    }));
}

// A page flips in and out of picture-in-picture for half a second after a click, as fast as its
// timers run, and ends inside.
const char kFlippingPlayer[] = R"(<html><head><title>player</title></head><body>
<canvas width=64 height=36></canvas><video muted autoplay></video><script>
const canvas = document.querySelector('canvas');
const video = document.querySelector('video');
setInterval(() => canvas.getContext('2d').fillRect(0, 0, Math.random() * 64, 36), 30);
video.srcObject = canvas.captureStream(30);
document.addEventListener('click', () => {
  const started = performance.now();
  let flips = 0;
  const step = () => {
    for (let i = 0; i < 40; ++i, ++flips) {
      video.requestPictureInPicture();
      document.exitPictureInPicture();
    }
    if (performance.now() - started < 500) return setTimeout(step, 1);
    video.requestPictureInPicture().then(() => { document.title = 'flipped ' + flips; });
  };
  step();
});
</script></body></html>)";

TEST_F(EngineBrowser, PictureInPictureNeedsAClickAndIsReportedOnceAFrameAtMost) {
    server.setPage("/player", kFlippingPlayer);
    CefRefPtr<CefBrowser> browser = createBrowser(server.url("/player"));
    ASSERT_TRUE(browser && waitForTitle(browser, "player"));
    ASSERT_TRUE(waitFor([&] { return evaluate(browser, "video.readyState").toInt() > 0; }));
    runJavaScript(browser,
                  "video.requestPictureInPicture().then(() => window.answer = 'granted',"
                  " (e) => window.answer = e.name)");
    EXPECT_TRUE(waitFor(
        [&] { return evaluate(browser, "window.answer").toString() == "NotAllowedError"; }));

    ASSERT_TRUE(waitForPaint(browser));
    QElapsedTimer flipping;
    flipping.start();
    QTest::mouseClick(viewOf(browser)->focusProxy(), Qt::LeftButton, {}, QPoint(200, 150));
    ASSERT_TRUE(waitFor([&] { return !client->picture_in_picture.empty(); }));
    ASSERT_TRUE(waitFor(
        [&] { return evaluate(browser, "document.title").toString().startsWith("flipped"); }));
    settle();
    const qint64 frames = flipping.elapsed() / 16 + 2;
    EXPECT_GT(evaluate(browser, "document.title").toString().mid(8).toInt(), 1000);
    EXPECT_LE(static_cast<qint64>(client->picture_in_picture.size()), frames);
    EXPECT_TRUE(client->picture_in_picture.back());
    EXPECT_EQ(evaluate(browser, "document.pictureInPictureElement === video").toBool(), true);

    // The program takes it out without a report, and puts the playing video back in.
    client->picture_in_picture.clear();
    browser->GetHost()->SetPictureInPicture(false);
    EXPECT_TRUE(waitFor(
        [&] { return evaluate(browser, "document.pictureInPictureElement === null").toBool(); }));
    settle();
    EXPECT_TRUE(client->picture_in_picture.empty());
    browser->GetHost()->SetPictureInPicture(true);
    EXPECT_TRUE(waitFor([&] { return client->picture_in_picture == std::vector<bool>{true}; }));
}

TEST_F(EngineBrowser, LoadUrlReloadAndBackReachTheServer) {
    CefRefPtr<CefBrowser> browser = openFirstPage();
    browser->GetMainFrame()->LoadURL(server.url("/second").toStdString());
    ASSERT_TRUE(waitForTitle(browser, "second"));
    EXPECT_EQ(server.requestCount("/second"), 1);
    EXPECT_EQ(browser->GetMainFrame()->GetURL().ToString(), server.url("/second").toStdString());
    EXPECT_TRUE(browser->GetMainFrame()->IsMain());

    browser->Reload();
    EXPECT_TRUE(waitFor([&] { return server.requestCount("/second") == 2; }));

    ASSERT_TRUE(waitFor([&] { return browser->CanGoBack(); }));
    browser->GoBack();
    EXPECT_TRUE(waitForTitle(browser, "first"));
    EXPECT_TRUE(client->load_errors.empty());
}

TEST_F(EngineBrowser, FailedLoadsReportChromiumCodeAndTextButHttpErrorsDoNot) {
    CefRefPtr<CefBrowser> browser = openFirstPage();

    // Bound but never listening: the port refuses connections and stays ours meanwhile.
    QTcpSocket closed_port;
    closed_port.setProxy(QNetworkProxy::NoProxy);
    ASSERT_TRUE(closed_port.bind(QHostAddress::LocalHost, 0));
    const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(closed_port.localPort());
    browser->GetMainFrame()->LoadURL(refused.toStdString());
    ASSERT_TRUE(waitFor([&] { return client->load_errors.size() == 1; }));
    EXPECT_EQ(client->load_errors[0].code, ERR_CONNECTION_REFUSED);
    EXPECT_EQ(client->load_errors[0].text, "net::ERR_CONNECTION_REFUSED");
    EXPECT_EQ(client->load_errors[0].url, refused.toStdString());

    browser->GetMainFrame()->LoadURL("http://nonexistent.invalid/");
    ASSERT_TRUE(waitFor([&] { return client->load_errors.size() == 2; }));
    EXPECT_EQ(client->load_errors[1].code, ERR_NAME_NOT_RESOLVED);
    EXPECT_EQ(client->load_errors[1].text, "net::ERR_NAME_NOT_RESOLVED");
    EXPECT_EQ(client->load_errors[1].url, "http://nonexistent.invalid/");

    server.setSilent("/slow");
    browser->GetMainFrame()->LoadURL(server.url("/slow").toStdString());
    ASSERT_TRUE(waitFor([&] { return server.requestCount("/slow") == 1; }));
    browser->StopLoad();
    ASSERT_TRUE(waitFor([&] { return client->load_errors.size() == 3; }));
    EXPECT_EQ(client->load_errors[2].code, ERR_ABORTED);
    EXPECT_EQ(client->load_errors[2].text, "net::ERR_ABORTED");
    EXPECT_EQ(client->load_errors[2].url, server.url("/slow").toStdString());

    // An HTTP error ends its load like any page the server sent.
    browser->GetMainFrame()->LoadURL(server.url("/missing").toStdString());
    const std::string missing_end = "404 " + server.url("/missing").toStdString();
    ASSERT_TRUE(waitFor([&] { return client->load_ends.back() == missing_end; }));
    browser->GetMainFrame()->LoadURL(server.url("/second").toStdString());
    ASSERT_TRUE(waitForTitle(browser, "second"));
    EXPECT_EQ(client->load_errors.size(), 3u);
    EXPECT_TRUE(waitFor(
        [&] { return client->load_ends.back() == "200 " + server.url("/second").toStdString(); }));
}

TEST_F(EngineBrowser, EndedRendererIsReportedAndALoadBringsThePageBack) {
    CefRefPtr<CefBrowser> browser = openFirstPage();
    const qint64 renderer = viewOf(browser)->page()->renderProcessPid();
    ASSERT_GT(renderer, 0);
    ::kill(static_cast<pid_t>(renderer), SIGKILL);
    const std::string killed =
        std::to_string(browser->GetIdentifier()) + " " + std::to_string(TS_PROCESS_WAS_KILLED);
    ASSERT_TRUE(waitFor([&] { return !client->terminations.empty(); }));
    EXPECT_EQ(client->terminations, std::vector<std::string>{killed});
    EXPECT_FALSE(browser->HasDocument());

    browser->GetMainFrame()->LoadURL(server.url("/second").toStdString());
    EXPECT_TRUE(waitForTitle(browser, "second"));
    EXPECT_EQ(client->terminations.size(), 1u);
}

TEST_F(EngineBrowser, ReloadLeavesABusyRendererThatAPopupSharesRunningAndGoesOnAfterIt) {
    CefRefPtr<CefBrowser> browser = openFirstPage();
    runJavaScript(browser, "window.open('/popup', 'side', 'width=320,height=240')");
    ASSERT_TRUE(waitFor([&] { return client->browsers.size() == 2; }));
    CefRefPtr<CefBrowser> popup = client->browsers[1];
    ASSERT_TRUE(waitForTitle(popup, "popup"));
    const qint64 renderer = viewOf(browser)->page()->renderProcessPid();
    ASSERT_EQ(viewOf(popup)->page()->renderProcessPid(), renderer);
    const QString text = QStringLiteral("document.getElementById('typed').value");
    runJavaScript(popup, "document.body.innerHTML = '<textarea id=typed></textarea>';" + text +
                             " = 'words of the viewer'");
    ASSERT_EQ(evaluate(popup, text).toString(), "words of the viewer");

    // The pop-up's script holds the shared process for longer than the reload's probe waits.
    runJavaScript(popup,
                  "setTimeout(() => { const end = Date.now() + 5000; while (Date.now() < end); })");
    settle();
    const size_t ends = client->load_ends.size();
    browser->Reload();
    ASSERT_TRUE(waitFor([&] { return client->load_ends.size() > ends; }, 20000));
    EXPECT_EQ(client->load_ends.back(), "200 " + server.url("/").toStdString());
    EXPECT_EQ(evaluate(popup, text).toString(), "words of the viewer");
    EXPECT_EQ(viewOf(popup)->page()->renderProcessPid(), renderer);
    EXPECT_TRUE(client->terminations.empty());
    EXPECT_EQ(client->unresponsive, std::vector<int>{browser->GetIdentifier()});
}

TEST_F(EngineBrowser, CancelledPopupsReportTheirTargetAndOpenNothing) {
    client->cancel_popups = true;
    CefRefPtr<CefBrowser> browser = openFirstPage();

    click(browser, Qt::LeftButton, kLinkPos);
    ASSERT_TRUE(waitFor([&] { return client->popups.size() == 1; }));
    EXPECT_EQ(client->popups[0].url, server.url("/target").toStdString());
    EXPECT_EQ(client->popups[0].disposition, WOD_NEW_FOREGROUND_TAB);
    EXPECT_TRUE(client->popups[0].user_gesture);

    QTest::mouseClick(viewOf(browser)->focusProxy(), Qt::MiddleButton, {}, kLinkPos);
    ASSERT_TRUE(waitFor([&] { return client->popups.size() == 2; }));
    EXPECT_EQ(client->popups[1].disposition, WOD_NEW_BACKGROUND_TAB);

    QTest::mouseClick(viewOf(browser)->focusProxy(), Qt::LeftButton, Qt::ShiftModifier, kLinkPos);
    ASSERT_TRUE(waitFor([&] { return client->popups.size() == 3; }));
    EXPECT_EQ(client->popups[2].disposition, WOD_NEW_WINDOW);

    runJavaScript(browser, "window.open('/popup', 'side', 'width=320,height=240')");
    ASSERT_TRUE(waitFor([&] { return client->popups.size() == 4; }));
    EXPECT_EQ(client->popups[3].url, server.url("/popup").toStdString());
    EXPECT_EQ(client->popups[3].disposition, WOD_NEW_POPUP);
    EXPECT_TRUE(client->popups[3].features.widthSet);
    EXPECT_EQ(client->popups[3].features.width, 320);
    EXPECT_EQ(client->popups[3].features.height, 240);
    EXPECT_FALSE(client->popups[3].features.xSet);

    runJavaScript(browser,
                  "window.open('/popup', 'corner', 'left=40,top=50,width=320,height=240')");
    ASSERT_TRUE(waitFor([&] { return client->popups.size() == 5; }));
    EXPECT_TRUE(client->popups[4].features.xSet);
    EXPECT_EQ(client->popups[4].features.x, 40);
    EXPECT_EQ(client->popups[4].features.y, 50);

    settle(500);
    EXPECT_EQ(client->browsers.size(), 1u);
    EXPECT_EQ(server.requestCount("/target"), 0);
    EXPECT_EQ(server.requestCount("/popup"), 0);
    EXPECT_EQ(viewOf(browser)->title(), "first");
}

TEST_F(EngineBrowser, ClientMayLoadIntoTheBrowserFromInsideItsCallbacks) {
    client->open_popups_in_place = true;
    client->error_page = "data:text/html;base64,PHRpdGxlPm91cnM8L3RpdGxlPg==";  // <title>ours
    CefRefPtr<CefBrowser> browser = openFirstPage();

    click(browser, Qt::LeftButton, kLinkPos);
    EXPECT_TRUE(waitForTitle(browser, "target"))
        << client->popups.size() << " pop-up requests, now at "
        << viewOf(browser)->url().toString().toStdString();
    EXPECT_EQ(client->browsers.size(), 1u);

    browser->GetMainFrame()->LoadURL("http://nonexistent.invalid/");
    EXPECT_TRUE(waitForTitle(browser, "ours"));
    settle();
    EXPECT_EQ(viewOf(browser)->title(), "ours");
    EXPECT_EQ(client->load_errors.size(), 1u);
}

TEST_F(EngineBrowser, AllowedPopupGetsAWindowOfItsOwnAndClosesWithItsPage) {
    CefRefPtr<CefBrowser> browser = openFirstPage();
    runJavaScript(browser, "window.open('/popup', 'side', 'width=320,height=240')");
    ASSERT_TRUE(waitFor([&] { return client->browsers.size() == 2; }));
    CefRefPtr<CefBrowser> popup = client->browsers[1];
    EXPECT_TRUE(popup->IsPopup());
    EXPECT_FALSE(popup->IsSame(browser));
    EXPECT_EQ(popup->GetHost()->GetClient().get(), static_cast<CefClient *>(client.get()));
    ASSERT_TRUE(waitForTitle(popup, "popup"));
    QPointer<QWebEngineView> popup_view = viewOf(popup);
    EXPECT_TRUE(popup_view->isWindow());
    EXPECT_TRUE(popup_view->isVisible());
    EXPECT_FALSE(popup_view->testAttribute(Qt::WA_QuitOnClose));
    EXPECT_EQ(popup_view->size(), QSize(320, 240));
    EXPECT_EQ(popup_view->windowTitle(), "popup");
    EXPECT_EQ(client->titles.back(), std::to_string(popup->GetIdentifier()) + " popup");
    EXPECT_EQ(client->addresses.back(),
              std::to_string(popup->GetIdentifier()) + " " + server.url("/popup").toStdString());

    // A client that keeps the browser keeps its window, and closes it itself later.
    client->keep_open = true;
    runJavaScript(popup, "window.close()");
    ASSERT_TRUE(waitFor([&] { return client->events.size() == 3; }));
    settle();
    EXPECT_TRUE(popup_view && popup_view->isVisible());

    client->keep_open = false;
    popup->GetHost()->CloseBrowser(false);
    ASSERT_TRUE(waitFor([&] { return client->browsers.size() == 1; }));
    settle();
    EXPECT_TRUE(popup_view.isNull());
    EXPECT_EQ(client->events,
              (std::vector<std::string>{eventOf("created", browser), eventOf("created", popup),
                                        eventOf("do_close", popup), eventOf("do_close", popup),
                                        eventOf("closed", popup)}));

    // A client that lets the browser go closes it with its page's first window.close().
    runJavaScript(browser, "window.open('/popup', 'other', 'width=320,height=240')");
    ASSERT_TRUE(waitFor([&] { return client->browsers.size() == 2; }));
    CefRefPtr<CefBrowser> second = client->browsers[1];
    ASSERT_TRUE(waitForTitle(second, "popup"));
    QPointer<QWebEngineView> second_view = viewOf(second);
    runJavaScript(second, "window.close()");
    ASSERT_TRUE(waitFor([&] { return client->browsers.size() == 1; }));
    settle();
    EXPECT_TRUE(second_view.isNull());
    EXPECT_EQ(client->events.back(), eventOf("closed", second));
    EXPECT_TRUE(window->isVisible());
}

TEST_F(EngineBrowser, UserClosingAPopupWindowClosesItsBrowser) {
    CefRefPtr<CefBrowser> browser = openFirstPage();
    runJavaScript(browser, "window.open('/popup', 'side', 'width=320,height=240')");
    ASSERT_TRUE(waitFor([&] { return client->browsers.size() == 2; }));
    CefRefPtr<CefBrowser> popup = client->browsers[1];
    viewOf(popup)->close();
    EXPECT_EQ(client->events.back(), eventOf("closed", popup));
    EXPECT_EQ(client->events[client->events.size() - 2], eventOf("do_close", popup));
    EXPECT_EQ(client->browsers.size(), 1u);
}

TEST_F(EngineBrowser, PageClosingTheMainBrowserClosesTheMainWindow) {
    CefRefPtr<CefBrowser> browser = openFirstPage();
    runJavaScript(browser, "window.close()");
    ASSERT_TRUE(waitFor([&] { return client->browsers.empty(); }));
    EXPECT_EQ(client->events,
              (std::vector<std::string>{eventOf("created", browser), eventOf("do_close", browser),
                                        eventOf("closed", browser)}));
    EXPECT_FALSE(window->isVisible());
}

TEST_F(EngineBrowser, PageMenuOffersNavigationPrintAndSource) {
    CefRefPtr<CefBrowser> browser = openFirstPage();
    QMenu *menu = openMenu(browser, kBlankPos);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(client->menus[0].type_flags, CM_TYPEFLAG_PAGE);
    EXPECT_EQ(client->menus[0].command_ids, (std::vector<int>{MENU_ID_BACK, MENU_ID_FORWARD, -1,
                                                              MENU_ID_PRINT, MENU_ID_VIEW_SOURCE}));
    EXPECT_EQ(menu->actions().size(), 5);
    EXPECT_FALSE(actionFor(menu, MENU_ID_BACK)->isEnabled());
    menu->close();

    // What the client leaves in the model is what is shown.
    client->edit_menu = [](CefMenuModel &model) {
        clearMenu(model);
        model.AddItem(26700, "&Tools");
    };
    menu = openMenu(browser, kBlankPos);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), "&Tools");
    menu->actions()[0]->trigger();
    EXPECT_EQ(client->commands, std::vector<int>{26700});
    menu->close();
    settle();

    client->edit_menu = clearMenu;
    EXPECT_EQ(openMenu(browser, kBlankPos), nullptr);
}

TEST_F(EngineBrowser, SelectionMenuOffersCopy) {
    CefRefPtr<CefBrowser> browser = openFirstPage();
    runJavaScript(browser,
                  "var range = document.createRange();"
                  "range.selectNodeContents(document.getElementById('text'));"
                  "getSelection().removeAllRanges(); getSelection().addRange(range);");
    settle();
    QMenu *menu = openMenu(browser, kTextPos);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(client->menus[0].type_flags, CM_TYPEFLAG_PAGE | CM_TYPEFLAG_SELECTION);
    EXPECT_EQ(client->menus[0].selection_text, "plain words");
    EXPECT_EQ(client->menus[0].command_ids, std::vector<int>{MENU_ID_COPY});
    menu->close();
}

TEST_F(EngineBrowser, TextFieldMenuRunsEditingCommandsTheClientLeavesToTheEngine) {
    CefRefPtr<CefBrowser> browser = openFirstPage();
    QGuiApplication::clipboard()->setText("before");
    runJavaScript(browser, "var f = document.getElementById('field'); f.focus(); f.select();");
    settle();

    // A command the client handles is not carried out again.
    client->handle_commands = true;
    QMenu *menu = openMenu(browser, kFieldPos);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(client->menus[0].type_flags,
              CM_TYPEFLAG_PAGE | CM_TYPEFLAG_EDITABLE | CM_TYPEFLAG_SELECTION);
    EXPECT_EQ(client->menus[0].command_ids,
              (std::vector<int>{MENU_ID_UNDO, MENU_ID_REDO, -1, MENU_ID_CUT, MENU_ID_COPY,
                                MENU_ID_PASTE, MENU_ID_DELETE, -1, MENU_ID_SELECT_ALL}));
    ASSERT_TRUE(actionFor(menu, MENU_ID_COPY)->isEnabled());
    actionFor(menu, MENU_ID_COPY)->trigger();
    menu->close();
    settle();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "before");

    client->handle_commands = false;
    menu = openMenu(browser, kFieldPos);
    ASSERT_NE(menu, nullptr);
    actionFor(menu, MENU_ID_COPY)->trigger();
    menu->close();
    EXPECT_TRUE(waitFor([] { return QGuiApplication::clipboard()->text() == "hello"; }, 5000));

    menu = openMenu(browser, kFieldPos);
    ASSERT_NE(menu, nullptr);
    actionFor(menu, MENU_ID_DELETE)->trigger();
    menu->close();
    EXPECT_TRUE(waitFor(
        [&] { return evaluate(browser, "document.getElementById('field').value") == QString(); }));
    EXPECT_EQ(client->commands, (std::vector<int>{MENU_ID_COPY, MENU_ID_COPY, MENU_ID_DELETE}));
}

TEST_F(EngineBrowser, DevToolsOpenInATopLevelWindowOfTheirOwn) {
    CefRefPtr<CefBrowser> browser = openFirstPage();
    CefWindowInfo info;
    info.SetAsPopup(0, "DevTools");
    browser->GetHost()->ShowDevTools(info, nullptr, CefBrowserSettings(), CefPoint());
    ASSERT_TRUE(waitFor([] { return countWindowsTitled("DevTools") == 1; }));
    EXPECT_TRUE(browser->GetHost()->HasDevTools());
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle() == "DevTools") {
            EXPECT_FALSE(widget->testAttribute(Qt::WA_QuitOnClose));
        }
    }

    // Asking again shows the same window.
    browser->GetHost()->ShowDevTools(info, nullptr, CefBrowserSettings(), CefPoint());
    settle();
    EXPECT_EQ(countWindowsTitled("DevTools"), 1);

    browser->GetHost()->CloseDevTools();
    settle();
    EXPECT_EQ(countWindowsTitled("DevTools"), 0);
    EXPECT_FALSE(browser->GetHost()->HasDevTools());
}

TEST_F(EngineBrowser, ClosingTheMainWindowEndsTheEventLoopWhilePopupAndDevToolsAreOpen) {
    CefRefPtr<CefBrowser> browser = openFirstPage();
    runJavaScript(browser, "window.open('/popup', 'side', 'width=320,height=240')");
    ASSERT_TRUE(waitFor([&] { return client->browsers.size() == 2; }));
    CefWindowInfo info;
    info.SetAsPopup(0, "DevTools");
    browser->GetHost()->ShowDevTools(info, nullptr, CefBrowserSettings(), CefPoint());
    ASSERT_TRUE(waitFor([] { return countWindowsTitled("DevTools") == 1; }));

    QTimer::singleShot(0, window, &QWidget::close);
    QTimer give_up;
    give_up.setSingleShot(true);
    QObject::connect(&give_up, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    give_up.start(10000);
    EXPECT_EQ(QApplication::exec(), 0);
    give_up.stop();
}

}  // namespace
