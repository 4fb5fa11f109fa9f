// One browser: its page view, its client and the window that holds it. The same object is the
// browser and its host, so both share one reference count.
#ifndef ENGINE_SRC_BROWSER_IMPL_H_
#define ENGINE_SRC_BROWSER_IMPL_H_

#include <functional>
#include <utility>
#include <vector>

#include <QPointer>
#include <QWebEnginePage>

#include "include/cef_browser.h"
#include "include/cef_client.h"

class BrowserView;
class DevToolsWindow;
class PictureInPicture;
class QKeyEvent;
class QPoint;
class QWebEngineContextMenuRequest;
class QWebEngineLoadingInfo;
class QWebEngineNewWindowRequest;
class QWidget;

class BrowserImpl : public CefBrowser, public CefBrowserHost {
public:
    // Makes the browser's view and page as windowInfo describes: a child of the widget that owns
    // parent_window when the style has WS_CHILD, otherwise a window of its own. Returns nullptr
    // when the engine is not running or the parent window does not exist. Nothing is loaded and
    // the client has not been told yet. opener is the browser whose page asked for a pop-up.
    static CefRefPtr<BrowserImpl> Create(const CefWindowInfo &windowInfo,
                                         CefRefPtr<CefClient> client,
                                         const CefBrowserSettings &settings, BrowserImpl *opener);
    // Every browser that has been created and has not closed yet, oldest first.
    static std::vector<CefRefPtr<BrowserImpl>> OpenBrowsers();

    // The view is ready: loads url when it is not empty and tells the client about the browser.
    void Start(const QUrl &url);

    // CefBrowser
    CefRefPtr<CefBrowserHost> GetHost() override { return this; }
    bool CanGoBack() override;
    void GoBack() override;
    bool CanGoForward() override;
    void GoForward() override;
    bool IsLoading() override { return loading_; }
    void Reload() override;
    void ReloadIgnoreCache() override;
    void StopLoad() override;
    int GetIdentifier() override { return identifier_; }
    bool IsSame(CefRefPtr<CefBrowser> that) override;
    bool IsPopup() override { return popup_; }
    bool HasDocument() override { return has_document_; }
    CefRefPtr<CefFrame> GetMainFrame() override;
    CefRefPtr<CefFrame> GetFocusedFrame() override { return GetMainFrame(); }

    // CefBrowserHost
    CefRefPtr<CefBrowser> GetBrowser() override { return this; }
    void CloseBrowser(bool force_close) override;
    bool TryCloseBrowser() override;
    CefWindowHandle GetWindowHandle() override;
    CefWindowHandle GetOpenerWindowHandle() override { return opener_window_; }
    CefRefPtr<CefClient> GetClient() override { return client_; }
    CefRefPtr<CefRequestContext> GetRequestContext() override { return nullptr; }
    // The inspect point and the client are not used: the tools open at their own start panel
    // and report to nobody.
    void ShowDevTools(const CefWindowInfo &windowInfo, CefRefPtr<CefClient> client,
                      const CefBrowserSettings &settings,
                      const CefPoint &inspect_element_at) override;
    void CloseDevTools() override;
    bool HasDevTools() override { return !dev_tools_.isNull(); }
    void WasResized() override {}
    double GetZoomLevel() override;
    void SetZoomLevel(double zoomLevel) override;
    void SetAudioMuted(bool mute) override;
    bool IsAudioMuted() override;
    void SetPictureInPicture(bool active) override;

    // Used by the view and the frame.
    QWebEnginePage *page() const;
    void TriggerAction(QWebEnginePage::WebAction action);
    void RunJavaScript(const QString &code);
    // Makes a navigation the program asked for. A page whose script never returns would hold it in
    // its process for ever: when the page has not answered a moment later, that process is ended
    // and the navigation made anew in a fresh one, unless another page lives in that process too.
    void Navigate(std::function<void(QWebEnginePage *)> navigation);
    // The user asked the browser's own top-level window to close. Returns false when the client
    // keeps the browser open.
    bool WindowCloseRequested();
    void ShowContextMenu(const QWebEngineContextMenuRequest &request, const QPoint &global_pos);
    // The user pressed a key or button in the page.
    void NoteUserInput() { user_input_ = true; }
    // Whether the user pressed a key or button in the page since the last call.
    bool TakeUserInput() { return std::exchange(user_input_, false); }
    // A link to url, of a scheme the engine does not load: true when the client lets the
    // system's handler for it start.
    bool OnExternalLink(const QUrl &url);
    // The view is being destroyed, perhaps with its parent and without a close request.
    void ViewDestroyed();
    // The browser is gone: the client hears of it last and the view goes.
    void CloseNow();

private:
    BrowserImpl(CefRefPtr<CefClient> client, bool popup);
    ~BrowserImpl() override = default;

    void Connect();
    void OnLoadingChanged(const QWebEngineLoadingInfo &info);
    void OnRenderProcessTerminated(QWebEnginePage::RenderProcessTerminationStatus status);
    void ReportLoadEnd(int http_status);
    // Asks the page's renderer pid to answer; when it has not within kUnresponsiveMs and no
    // later navigation was made, ends it, or, while other pages use it, tells the client (once:
    // reported) and asks again.
    void ProbeRenderer(int serial, qint64 pid, std::function<void(QWebEnginePage *)> navigation,
                       bool reported);
    void EndUnresponsiveRenderer(int serial, qint64 pid,
                                 std::function<void(QWebEnginePage *)> navigation, bool reported);
    // Whether a page other than this browser's own lives in the renderer pid.
    bool RendererShared(qint64 pid) const;
    void OnNewWindowRequested(QWebEngineNewWindowRequest &request);
    void OnWindowCloseRequested();
    void OnTitleChanged(const QString &title);
    bool OnKey(const QKeyEvent &event, bool before_page);
    void OnZoomed(double zoom_factor);
    // Closes the top-level window that holds the browser, then the browser itself.
    void CloseTopLevelWindow();
    void RunCommand(int command_id);
    CefRefPtr<CefLifeSpanHandler> lifeSpanHandler();

    const int identifier_;
    CefRefPtr<CefClient> client_;
    const bool popup_;
    CefWindowHandle opener_window_ = 0;
    QPointer<BrowserView> view_;
    QPointer<DevToolsWindow> dev_tools_;
    QPointer<PictureInPicture> picture_in_picture_;
    bool loading_ = false;
    bool has_document_ = false;
    bool closing_ = false;
    bool closed_ = false;
    int navigations_ = 0;
    // The navigation to make again once the renderer this browser ended is gone.
    std::function<void(QWebEnginePage *)> navigation_after_end_;
    bool user_input_ = false;

    IMPLEMENT_REFCOUNTING(BrowserImpl);
};

#endif  // ENGINE_SRC_BROWSER_IMPL_H_
