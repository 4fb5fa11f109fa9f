#include "src/browser_impl.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <memory>
#include <utility>

#include <QAction>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineHistory>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>

#include "platform/platform.h"
#include "platform/widget_handle.h"
#include "src/browser_page.h"
#include "src/browser_view.h"
#include "src/context_menu.h"
#include "src/context_menu_params_impl.h"
#include "src/dev_tools_window.h"
#include "src/engine_context.h"
#include "src/frame_impl.h"
#include "src/fullscreen_switch.h"
#include "src/key_events.h"
#include "src/page_input.h"
#include "src/permission_requests.h"
#include "src/picture_in_picture.h"
#include "src/renderer_end_watch.h"

namespace {

// How long a page's process may take to answer before a navigation counts it as stuck.
constexpr int kUnresponsiveMs = 3000;

// A zoom level's step multiplies the page's size by this.
constexpr double kZoomLevelBase = 1.2;

std::vector<CefRefPtr<BrowserImpl>> &openBrowsers() {
    static std::vector<CefRefPtr<BrowserImpl>> browsers;
    return browsers;
}

bool shutdown_hook_registered = false;

int nextIdentifier() {
    static std::atomic<int> last{0};
    return ++last;
}

QString toQString(const CefString &text) {
    return QString::fromStdU16String(text.ToString16());
}

CefString fromQString(const QString &text) {
    return CefString(text.toStdU16String());
}

// A window of its own, placed and sized as info asks; CW_USEDEFAULT leaves that to the window
// system.
void placeTopLevel(QWidget *window, const CefWindowInfo &info) {
    if (!info.window_name.empty()) {
        window->setWindowTitle(toQString(info.window_name));
    }
    if (info.x != CW_USEDEFAULT && info.y != CW_USEDEFAULT) {
        window->move(info.x, info.y);
    }
    if (info.width != CW_USEDEFAULT && info.height != CW_USEDEFAULT && info.width > 0 &&
        info.height > 0) {
        window->resize(info.width, info.height);
    }
}

WindowOpenDisposition dispositionOf(QWebEngineNewWindowRequest::DestinationType destination) {
    switch (destination) {
        case QWebEngineNewWindowRequest::InNewTab:
            return WOD_NEW_FOREGROUND_TAB;
        case QWebEngineNewWindowRequest::InNewBackgroundTab:
            return WOD_NEW_BACKGROUND_TAB;
        case QWebEngineNewWindowRequest::InNewDialog:
            return WOD_NEW_POPUP;
        case QWebEngineNewWindowRequest::InNewWindow:
            break;
    }
    return WOD_NEW_WINDOW;
}

EventFlags currentEventFlags() {
    const Qt::KeyboardModifiers modifiers = QGuiApplication::keyboardModifiers();
    int flags = EVENTFLAG_NONE;
    if (modifiers & Qt::ShiftModifier) {
        flags |= EVENTFLAG_SHIFT_DOWN;
    }
    if (modifiers & Qt::ControlModifier) {
        flags |= EVENTFLAG_CONTROL_DOWN;
    }
    if (modifiers & Qt::AltModifier) {
        flags |= EVENTFLAG_ALT_DOWN;
    }
    return static_cast<EventFlags>(flags);
}

// What every browser still open gets at CefShutdown: DoClose, whose answer cannot hold the
// shutdown, then OnBeforeClose.
void closeEveryBrowser() {
    shutdown_hook_registered = false;
    for (const CefRefPtr<BrowserImpl> &browser : BrowserImpl::OpenBrowsers()) {
        CefRefPtr<CefClient> client = browser->GetClient();
        if (CefRefPtr<CefLifeSpanHandler> handler =
                client ? client->GetLifeSpanHandler() : nullptr) {
            handler->DoClose(browser.get());
        }
        browser->CloseNow();
    }
}

}  // namespace

bool CefBrowserHost::CreateBrowser(const CefWindowInfo &windowInfo, CefRefPtr<CefClient> client,
                                   const CefString &url, const CefBrowserSettings &settings,
                                   CefRefPtr<CefDictionaryValue>, CefRefPtr<CefRequestContext>) {
    EngineContext *context = EngineContext::current();
    if (!context || !context->profile()) {
        return false;
    }
    if ((windowInfo.style & WS_CHILD) && !platform::widgetOfHandle(windowInfo.parent_window)) {
        return false;
    }
    const QUrl target(toQString(url));
    QTimer::singleShot(0, QCoreApplication::instance(), [windowInfo, client, settings, target] {
        if (CefRefPtr<BrowserImpl> browser =
                BrowserImpl::Create(windowInfo, client, settings, nullptr)) {
            browser->Start(target);
        }
    });
    return true;
}

BrowserImpl::BrowserImpl(CefRefPtr<CefClient> client, bool popup)
    : identifier_(nextIdentifier()), client_(client), popup_(popup) {}

CefRefPtr<BrowserImpl> BrowserImpl::Create(const CefWindowInfo &windowInfo,
                                           CefRefPtr<CefClient> client,
                                           const CefBrowserSettings &settings,
                                           BrowserImpl *opener) {
    EngineContext *context = EngineContext::current();
    QWebEngineProfile *profile = context ? context->profile() : nullptr;
    if (!profile) {
        return nullptr;
    }
    const bool child = windowInfo.style & WS_CHILD;
    QWidget *parent = child ? platform::widgetOfHandle(windowInfo.parent_window) : nullptr;
    if (child && !parent) {
        return nullptr;
    }
    if (!child) {
        // Qt WebEngine hands the keys a page left alone to its view's parent widget only. A view
        // that is a window of its own gets a parent that is never shown, to take them; it goes
        // with the view.
        parent = new QWidget;
    }

    CefRefPtr<BrowserImpl> browser(new BrowserImpl(client, opener != nullptr));
    if (opener) {
        browser->opener_window_ = opener->GetWindowHandle();
    }
    BrowserView *view = new BrowserView(browser, parent);
    if (!child) {
        view->setWindowFlag(Qt::Window);
        QObject::connect(view, &QObject::destroyed, parent, &QObject::deleteLater);
    }
    browser->view_ = view;
    BrowserImpl *raw = browser.get();
    auto *page =
        new BrowserPage(profile, view, [raw](const QUrl &url) { return raw->OnExternalLink(url); });
    if (CefColorGetA(settings.background_color) != 0) {
        // Until a document has painted the view shows nothing but this colour. After the first
        // load the engine's own comes back, so that a page without a background of its own looks
        // as it does in a browser.
        const QColor standard = page->backgroundColor();
        page->setBackgroundColor(QColor::fromRgba(settings.background_color));
        QObject::connect(
            page, &QWebEnginePage::loadFinished, page,
            [page, standard] { page->setBackgroundColor(standard); }, Qt::SingleShotConnection);
    }
    view->setPage(page);
    if (child) {
        view->setGeometry(windowInfo.x, windowInfo.y, windowInfo.width, windowInfo.height);
    } else {
        // The engine's own windows never hold the application open.
        view->setAttribute(Qt::WA_QuitOnClose, false);
        placeTopLevel(view, windowInfo);
    }
    // The program moves and sizes the browser by its handle.
    platform::handleOfWidget(view);
    browser->Connect();

    openBrowsers().push_back(browser);
    if (!shutdown_hook_registered) {
        shutdown_hook_registered = true;
        context->addShutdownHook(&closeEveryBrowser);
    }
    if (windowInfo.style & WS_VISIBLE) {
        view->show();
    }
    return browser;
}

std::vector<CefRefPtr<BrowserImpl>> BrowserImpl::OpenBrowsers() {
    return openBrowsers();
}

void BrowserImpl::Start(const QUrl &url) {
    if (!url.isEmpty()) {
        view_->page()->load(url);
    }
    if (CefRefPtr<CefLifeSpanHandler> handler = lifeSpanHandler()) {
        handler->OnAfterCreated(this);
    }
}

void BrowserImpl::Connect() {
    QWebEnginePage *page = view_->page();
    handlePermissionRequests(page, this);
    // Owned by the view.
    new FullscreenSwitch(view_, [this](bool fullscreen) {
        CefRefPtr<CefDisplayHandler> handler = client_ ? client_->GetDisplayHandler() : nullptr;
        if (handler && !closed_) {
            handler->OnFullscreenModeChange(this, fullscreen);
        }
    });
    // Owned by the page.
    picture_in_picture_ =
        new PictureInPicture(static_cast<BrowserPage *>(page), [this](bool active) {
            CefRefPtr<CefDisplayHandler> handler = client_ ? client_->GetDisplayHandler() : nullptr;
            if (handler && !closed_) {
                handler->OnPictureInPictureModeChange(this, active);
            }
        });
    // Owned by the view.
    new RendererEndWatch(view_);
    // Owned by the view.
    new PageInput(view_, {[this](const QKeyEvent &event) { return OnKey(event, true); },
                          [this](const QKeyEvent &event) { return OnKey(event, false); },
                          [this](double zoom_factor) { OnZoomed(zoom_factor); }});
    // The view holds a reference to this browser, so it lives as long as these connections.
    QObject::connect(page, &QWebEnginePage::loadingChanged, view_,
                     [this](const QWebEngineLoadingInfo &info) { OnLoadingChanged(info); });
    // After the full-screen switch's own connection: the page has left full screen when the
    // client hears of the end.
    QObject::connect(page, &QWebEnginePage::renderProcessTerminated, view_,
                     [this](QWebEnginePage::RenderProcessTerminationStatus status) {
                         OnRenderProcessTerminated(status);
                     });
    QObject::connect(
        page, &QWebEnginePage::newWindowRequested, view_,
        [this](QWebEngineNewWindowRequest &request) { OnNewWindowRequested(request); });
    QObject::connect(page, &QWebEnginePage::windowCloseRequested, view_,
                     [this] { OnWindowCloseRequested(); });
    QObject::connect(page, &QWebEnginePage::titleChanged, view_,
                     [this](const QString &title) { OnTitleChanged(title); });
    QObject::connect(page, &QWebEnginePage::urlChanged, view_, [this](const QUrl &url) {
        CefRefPtr<CefDisplayHandler> handler = client_ ? client_->GetDisplayHandler() : nullptr;
        if (handler && !closed_) {
            handler->OnAddressChange(this, GetMainFrame(), fromQString(url.toString()));
        }
    });
}

void BrowserImpl::OnTitleChanged(const QString &title) {
    if (closed_) {
        return;
    }
    // A browser with a window of its own shows its page's title there.
    if (view_->isWindow()) {
        view_->setWindowTitle(title);
    }
    if (CefRefPtr<CefDisplayHandler> handler = client_ ? client_->GetDisplayHandler() : nullptr) {
        handler->OnTitleChange(this, fromQString(title));
    }
}

bool BrowserImpl::OnKey(const QKeyEvent &event, bool before_page) {
    CefRefPtr<CefKeyboardHandler> handler = client_ ? client_->GetKeyboardHandler() : nullptr;
    if (!handler || closed_) {
        return false;
    }
    const CefKeyEvent key = toCefKeyEvent(event);
    if (before_page) {
        bool is_keyboard_shortcut = false;
        return handler->OnPreKeyEvent(this, key, nullptr, &is_keyboard_shortcut);
    }
    return handler->OnKeyEvent(this, key, nullptr);
}

void BrowserImpl::OnZoomed(double zoom_factor) {
    CefRefPtr<CefDisplayHandler> handler = client_ ? client_->GetDisplayHandler() : nullptr;
    if (handler && !closed_) {
        handler->OnZoomChange(this, std::log(zoom_factor) / std::log(kZoomLevelBase));
    }
}

double BrowserImpl::GetZoomLevel() {
    QWebEnginePage *p = page();
    return p ? std::log(p->zoomFactor()) / std::log(kZoomLevelBase) : 0.0;
}

void BrowserImpl::SetZoomLevel(double zoomLevel) {
    if (QWebEnginePage *p = page()) {
        // The page ignores factors outside 25 % to 500 % instead of keeping to the nearest.
        p->setZoomFactor(std::clamp(std::pow(kZoomLevelBase, zoomLevel), 0.25, 5.0));
    }
}

void BrowserImpl::SetAudioMuted(bool mute) {
    if (QWebEnginePage *p = page()) {
        p->setAudioMuted(mute);
    }
}

bool BrowserImpl::IsAudioMuted() {
    QWebEnginePage *p = page();
    return p && p->isAudioMuted();
}

void BrowserImpl::SetPictureInPicture(bool active) {
    if (!page() || !picture_in_picture_) {
        return;
    }
    if (active) {
        picture_in_picture_->enter();
    } else {
        picture_in_picture_->leave();
    }
}

CefRefPtr<CefLifeSpanHandler> BrowserImpl::lifeSpanHandler() {
    return client_ ? client_->GetLifeSpanHandler() : nullptr;
}

QWebEnginePage *BrowserImpl::page() const {
    return closed_ || !view_ ? nullptr : view_->page();
}

void BrowserImpl::TriggerAction(QWebEnginePage::WebAction action) {
    if (QWebEnginePage *p = page()) {
        p->triggerAction(action);
    }
}

void BrowserImpl::RunJavaScript(const QString &code) {
    if (QWebEnginePage *p = page()) {
        p->runJavaScript(code);
    }
}

bool BrowserImpl::CanGoBack() {
    QWebEnginePage *p = page();
    return p && p->history()->canGoBack();
}

void BrowserImpl::GoBack() {
    TriggerAction(QWebEnginePage::Back);
}

bool BrowserImpl::CanGoForward() {
    QWebEnginePage *p = page();
    return p && p->history()->canGoForward();
}

void BrowserImpl::GoForward() {
    TriggerAction(QWebEnginePage::Forward);
}

void BrowserImpl::Reload() {
    Navigate([](QWebEnginePage *p) { p->triggerAction(QWebEnginePage::Reload); });
}

void BrowserImpl::Navigate(std::function<void(QWebEnginePage *)> navigation) {
    QWebEnginePage *p = page();
    if (!p) {
        return;
    }
    const int serial = ++navigations_;
    const qint64 renderer = p->renderProcessPid();
    if (has_document_ && renderer > 0) {
        // Asked before the navigation goes out: a process that runs the page's script answers at
        // once, and a navigation to another site may leave a stuck one behind.
        ProbeRenderer(serial, renderer, navigation, false);
    }
    navigation(p);
}

void BrowserImpl::ProbeRenderer(int serial, qint64 pid,
                                std::function<void(QWebEnginePage *)> navigation, bool reported) {
    QWebEnginePage *p = page();
    if (!p) {
        return;
    }
    auto answered = std::make_shared<bool>(false);
    p->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                     [answered](const QVariant &) { *answered = true; });
    CefRefPtr<BrowserImpl> self(this);
    QTimer::singleShot(kUnresponsiveMs, view_, [self, answered, serial, pid, navigation, reported] {
        if (!*answered && self->navigations_ == serial) {
            self->EndUnresponsiveRenderer(serial, pid, navigation, reported);
        }
    });
}

void BrowserImpl::EndUnresponsiveRenderer(int serial, qint64 pid,
                                          std::function<void(QWebEnginePage *)> navigation,
                                          bool reported) {
    QWebEnginePage *p = page();
    // A renderer that has meanwhile gone, or left the page, is none of this browser's business.
    if (!p || p->renderProcessPid() != pid) {
        return;
    }
    // A pop-up opened by the page, or another page of the same site, usually shares its
    // renderer: ending it would take their state (a form being filled in) with it. It is left
    // running, and the navigation goes on once it answers.
    if (RendererShared(pid)) {
        CefRefPtr<CefRequestHandler> handler = client_ ? client_->GetRequestHandler() : nullptr;
        if (handler && !reported) {
            handler->OnSharedRenderProcessUnresponsive(this);
        }
        ProbeRenderer(serial, pid, navigation, true);
        return;
    }
    navigation_after_end_ = navigation;
    if (!platform::endProcess(pid)) {
        navigation_after_end_ = nullptr;
    }
}

bool BrowserImpl::RendererShared(qint64 pid) const {
    const auto in = [pid](const QWebEnginePage *p) { return p && p->renderProcessPid() == pid; };
    for (const CefRefPtr<BrowserImpl> &browser : OpenBrowsers()) {
        if ((browser.get() != this && in(browser->page())) ||
            (browser->dev_tools_ && in(browser->dev_tools_->page()))) {
            return true;
        }
    }
    return false;
}

void BrowserImpl::ReloadIgnoreCache() {
    TriggerAction(QWebEnginePage::ReloadAndBypassCache);
}

void BrowserImpl::StopLoad() {
    TriggerAction(QWebEnginePage::Stop);
}

bool BrowserImpl::IsSame(CefRefPtr<CefBrowser> that) {
    return that && that->GetIdentifier() == identifier_;
}

CefRefPtr<CefFrame> BrowserImpl::GetMainFrame() {
    return new FrameImpl(this);
}

CefWindowHandle BrowserImpl::GetWindowHandle() {
    return closed_ || !view_ ? 0 : platform::handleOfWidget(view_);
}

void BrowserImpl::ShowDevTools(const CefWindowInfo &windowInfo, CefRefPtr<CefClient>,
                               const CefBrowserSettings &, const CefPoint &) {
    QWebEnginePage *inspected = page();
    EngineContext *context = EngineContext::current();
    if (!inspected || !context) {
        return;
    }
    if (!dev_tools_) {
        dev_tools_ = new DevToolsWindow(context->profile(), inspected);
        placeTopLevel(dev_tools_, windowInfo);
    }
    dev_tools_->show();
    dev_tools_->raise();
    dev_tools_->activateWindow();
}

void BrowserImpl::CloseDevTools() {
    if (dev_tools_) {
        dev_tools_->close();
        dev_tools_ = nullptr;
    }
}

// Qt WebEngine reports the loads of the main frame only, so every error here is the main
// frame's, and a sub-frame that fails to load reaches no callback.
void BrowserImpl::OnLoadingChanged(const QWebEngineLoadingInfo &info) {
    if (closed_) {
        return;
    }
    ErrorCode code = ERR_NONE;
    QString text;
    switch (info.status()) {
        case QWebEngineLoadingInfo::LoadStartedStatus:
            loading_ = true;
            return;
        case QWebEngineLoadingInfo::LoadSucceededStatus:
            loading_ = false;
            has_document_ = true;
            // The HTTP status where there is one; other schemes' pages count as found.
            ReportLoadEnd(info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain
                              ? info.errorCode()
                              : 200);
            return;
        case QWebEngineLoadingInfo::LoadStoppedStatus:
            loading_ = false;
            code = ERR_ABORTED;
            text = QStringLiteral("net::ERR_ABORTED");
            break;
        case QWebEngineLoadingInfo::LoadFailedStatus:
            loading_ = false;
            // A load cut short without an error of its own, as when its renderer went away, was
            // not failed by the network or the server.
            if (info.errorCode() == 0) {
                code = ERR_ABORTED;
                text = QStringLiteral("net::ERR_ABORTED");
                break;
            }
            // An HTTP error status is a page the server sent, not a failed load.
            if (info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain) {
                has_document_ = true;
                ReportLoadEnd(info.errorCode());
                return;
            }
            code = static_cast<ErrorCode>(info.errorCode());
            text = info.errorString();
            break;
    }
    CefRefPtr<CefLoadHandler> handler = client_ ? client_->GetLoadHandler() : nullptr;
    if (handler) {
        handler->OnLoadError(this, GetMainFrame(), code, fromQString(text),
                             fromQString(info.url().toString()));
    }
}

void BrowserImpl::ReportLoadEnd(int http_status) {
    if (CefRefPtr<CefLoadHandler> handler = client_ ? client_->GetLoadHandler() : nullptr) {
        handler->OnLoadEnd(this, GetMainFrame(), http_status);
    }
}

void BrowserImpl::OnRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status) {
    if (closed_) {
        return;
    }
    has_document_ = false;
    loading_ = false;
    if (navigation_after_end_) {
        // The engine ended the process itself: not a fault to report, and the navigation it held
        // is made again.
        std::function<void(QWebEnginePage *)> navigation = std::move(navigation_after_end_);
        navigation_after_end_ = nullptr;
        CefRefPtr<BrowserImpl> self(this);
        QTimer::singleShot(0, view_, [self, navigation] {
            if (QWebEnginePage *p = self->page()) {
                navigation(p);
            }
        });
        return;
    }
    // Qt WebEngine has no status of its own for a process ended for want of memory: such an end
    // arrives as killed or abnormal.
    cef_termination_status_t reported = TS_ABNORMAL_TERMINATION;
    switch (status) {
        case QWebEnginePage::NormalTerminationStatus:
            return;
        case QWebEnginePage::CrashedTerminationStatus:
            reported = TS_PROCESS_CRASHED;
            break;
        case QWebEnginePage::KilledTerminationStatus:
            reported = TS_PROCESS_WAS_KILLED;
            break;
        case QWebEnginePage::AbnormalTerminationStatus:
            break;
    }
    if (CefRefPtr<CefRequestHandler> handler = client_ ? client_->GetRequestHandler() : nullptr) {
        handler->OnRenderProcessTerminated(this, reported);
    }
}

bool BrowserImpl::OnExternalLink(const QUrl &url) {
    bool allow_os_execution = false;
    CefRefPtr<CefRequestHandler> handler = client_ ? client_->GetRequestHandler() : nullptr;
    if (handler && !closed_) {
        handler->OnProtocolExecution(this, fromQString(url.toString()), allow_os_execution);
    }
    return allow_os_execution;
}

void BrowserImpl::OnNewWindowRequested(QWebEngineNewWindowRequest &request) {
    if (closed_) {
        return;
    }
    CefWindowInfo windowInfo;
    windowInfo.SetAsPopup(GetWindowHandle(), CefString());
    CefPopupFeatures features;
    const QRect geometry = request.requestedGeometry();
    // Qt WebEngine gives a position of 0, 0 both for none and for the screen's corner; taking it
    // as none leaves the window where the window system puts new windows.
    if (!geometry.topLeft().isNull()) {
        features.x = windowInfo.x = geometry.x();
        features.y = windowInfo.y = geometry.y();
        features.xSet = features.ySet = 1;
    }
    if (geometry.isValid()) {
        features.width = windowInfo.width = geometry.width();
        features.height = windowInfo.height = geometry.height();
        features.widthSet = features.heightSet = 1;
    }
    CefRefPtr<CefClient> client = client_;
    CefBrowserSettings settings;
    CefRefPtr<CefDictionaryValue> extra_info;
    bool no_javascript_access = false;
    CefRefPtr<CefLifeSpanHandler> handler = lifeSpanHandler();
    if (handler && handler->OnBeforePopup(
                       this, GetMainFrame(), fromQString(request.requestedUrl().toString()),
                       CefString(), dispositionOf(request.destination()), request.isUserInitiated(),
                       features, windowInfo, client, settings, extra_info, &no_javascript_access)) {
        // Not adopting the request leaves the new contents unopened.
        return;
    }
    if (CefRefPtr<BrowserImpl> popup = Create(windowInfo, client, settings, this)) {
        request.openIn(popup->view_->page());
        popup->Start(QUrl());
    }
}

void BrowserImpl::OnWindowCloseRequested() {
    if (closing_ || closed_) {
        return;
    }
    CefRefPtr<CefLifeSpanHandler> handler = lifeSpanHandler();
    if (handler && handler->DoClose(this)) {
        return;
    }
    CloseTopLevelWindow();
}

void BrowserImpl::CloseBrowser(bool) {
    // The page's unload handlers cannot hold a close here, so both kinds go the same way.
    OnWindowCloseRequested();
}

bool BrowserImpl::TryCloseBrowser() {
    if (!closed_) {
        CloseBrowser(false);
    }
    return closed_;
}

void BrowserImpl::CloseTopLevelWindow() {
    CefRefPtr<BrowserImpl> self(this);
    if (!view_) {
        CloseNow();
        return;
    }
    closing_ = true;
    QWidget *window = view_->window();
    if (window == view_) {
        view_->AllowClose();
    }
    // A window that refuses to close keeps its browser, as with any other close request.
    if (!window->close()) {
        closing_ = false;
        return;
    }
    CloseNow();
}

bool BrowserImpl::WindowCloseRequested() {
    if (closing_ || closed_) {
        return true;
    }
    CefRefPtr<CefLifeSpanHandler> handler = lifeSpanHandler();
    if (handler && handler->DoClose(this)) {
        return false;
    }
    CloseNow();
    return true;
}

void BrowserImpl::ViewDestroyed() {
    view_ = nullptr;
    CloseNow();
}

void BrowserImpl::CloseNow() {
    if (closed_) {
        return;
    }
    CefRefPtr<BrowserImpl> self(this);
    closing_ = true;
    std::vector<CefRefPtr<BrowserImpl>> &browsers = openBrowsers();
    for (auto it = browsers.begin(); it != browsers.end(); ++it) {
        if (it->get() == this) {
            browsers.erase(it);
            break;
        }
    }
    CloseDevTools();
    if (CefRefPtr<CefLifeSpanHandler> handler = lifeSpanHandler()) {
        handler->OnBeforeClose(this);
    }
    closed_ = true;
    if (view_) {
        // Its page may be inside one of its own signals right now.
        view_->deleteLater();
    }
}

void BrowserImpl::ShowContextMenu(const QWebEngineContextMenuRequest &request,
                                  const QPoint &global_pos) {
    QWebEnginePage *p = page();
    if (!p) {
        return;
    }
    CefRefPtr<ContextMenuParamsImpl> params(new ContextMenuParamsImpl(request, p->url()));
    CefRefPtr<CefMenuModel> model = CefMenuModel::CreateMenuModel(nullptr);
    fillDefaultContextMenu(*model, params->GetTypeFlags(), params->editFlags(), CanGoBack(),
                           CanGoForward(), p->profile()->httpAcceptLanguage());
    CefRefPtr<CefContextMenuHandler> handler = client_ ? client_->GetContextMenuHandler() : nullptr;
    if (handler) {
        handler->OnBeforeContextMenu(this, GetMainFrame(), params.get(), model);
    }
    QMenu *menu = createContextMenu(*model, view_);
    if (!menu) {
        return;
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    CefRefPtr<BrowserImpl> self(this);
    QObject::connect(menu, &QMenu::triggered, view_, [self, handler, params](QAction *action) {
        if (self->closed_) {
            return;
        }
        const int command_id = action->data().toInt();
        if (handler && handler->OnContextMenuCommand(self.get(), self->GetMainFrame(), params.get(),
                                                     command_id, currentEventFlags())) {
            return;
        }
        self->RunCommand(command_id);
    });
    menu->popup(global_pos);
}

void BrowserImpl::RunCommand(int command_id) {
    struct BuiltIn {
        int command_id;
        QWebEnginePage::WebAction action;
    };
    static const BuiltIn kBuiltIns[] = {
        {MENU_ID_BACK, QWebEnginePage::Back},
        {MENU_ID_FORWARD, QWebEnginePage::Forward},
        {MENU_ID_RELOAD, QWebEnginePage::Reload},
        {MENU_ID_RELOAD_NOCACHE, QWebEnginePage::ReloadAndBypassCache},
        {MENU_ID_STOPLOAD, QWebEnginePage::Stop},
        {MENU_ID_UNDO, QWebEnginePage::Undo},
        {MENU_ID_REDO, QWebEnginePage::Redo},
        {MENU_ID_CUT, QWebEnginePage::Cut},
        {MENU_ID_COPY, QWebEnginePage::Copy},
        {MENU_ID_PASTE, QWebEnginePage::Paste},
        {MENU_ID_SELECT_ALL, QWebEnginePage::SelectAll},
        {MENU_ID_VIEW_SOURCE, QWebEnginePage::ViewSource},
    };
    for (const BuiltIn &built_in : kBuiltIns) {
        if (built_in.command_id == command_id) {
            TriggerAction(built_in.action);
            return;
        }
    }
    if (command_id == MENU_ID_DELETE) {
        GetMainFrame()->Delete();
    } else if (command_id == MENU_ID_PRINT) {
        // Printing is the page's own request to its embedder, as a script's print would be.
        RunJavaScript(QStringLiteral("window.print()"));
    }
}
