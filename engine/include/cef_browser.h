#ifndef ENGINE_INCLUDE_CEF_BROWSER_H_
#define ENGINE_INCLUDE_CEF_BROWSER_H_

#include "include/cef_base.h"
#include "include/cef_frame.h"
#include "include/cef_unused_interfaces.h"
#include "include/internal/cef_types_wrappers.h"

class CefBrowserHost;
class CefClient;

// One page view. Its methods may be called from the application's GUI thread.
class CefBrowser : public virtual CefBaseRefCounted {
public:
    virtual CefRefPtr<CefBrowserHost> GetHost() = 0;
    virtual bool CanGoBack() = 0;
    virtual void GoBack() = 0;
    virtual bool CanGoForward() = 0;
    virtual void GoForward() = 0;
    virtual bool IsLoading() = 0;
    virtual void Reload() = 0;
    // Reloads without the cache: every resource is fetched again.
    virtual void ReloadIgnoreCache() = 0;
    virtual void StopLoad() = 0;
    // Unique among the browsers of this process and never 0.
    virtual int GetIdentifier() = 0;
    virtual bool IsSame(CefRefPtr<CefBrowser> that) = 0;
    virtual bool IsPopup() = 0;
    virtual bool HasDocument() = 0;
    virtual CefRefPtr<CefFrame> GetMainFrame() = 0;
    virtual CefRefPtr<CefFrame> GetFocusedFrame() = 0;
};

// The window side of a browser.
class CefBrowserHost : public virtual CefBaseRefCounted {
public:
    // Creates a browser asynchronously; the client's OnAfterCreated reports it. Returns false when
    // the request could not be made.
    static bool CreateBrowser(const CefWindowInfo &windowInfo, CefRefPtr<CefClient> client,
                              const CefString &url, const CefBrowserSettings &settings,
                              CefRefPtr<CefDictionaryValue> extra_info,
                              CefRefPtr<CefRequestContext> request_context);

    virtual CefRefPtr<CefBrowser> GetBrowser() = 0;
    // Asks the browser to close: DoClose is consulted, then the browser and its window go.
    virtual void CloseBrowser(bool force_close) = 0;
    virtual bool TryCloseBrowser() = 0;
    virtual CefWindowHandle GetWindowHandle() = 0;
    virtual CefWindowHandle GetOpenerWindowHandle() = 0;
    virtual CefRefPtr<CefClient> GetClient() = 0;
    virtual CefRefPtr<CefRequestContext> GetRequestContext() = 0;
    // Opens the developer tools of this browser in a window described by windowInfo.
    virtual void ShowDevTools(const CefWindowInfo &windowInfo, CefRefPtr<CefClient> client,
                              const CefBrowserSettings &settings,
                              const CefPoint &inspect_element_at) = 0;
    virtual void CloseDevTools() = 0;
    virtual bool HasDevTools() = 0;
    virtual void WasResized() = 0;
    // The page's zoom: 0 is 100 %, each step of 1 multiplies the size by 1.2. The engine keeps
    // the page between 25 % and 500 %, also across its loads.
    virtual double GetZoomLevel() = 0;
    virtual void SetZoomLevel(double zoomLevel) = 0;
    virtual void SetAudioMuted(bool mute) = 0;
    virtual bool IsAudioMuted() = 0;
    // This engine's addition: puts the page's playing (else largest) video into
    // picture-in-picture, as if the page had asked, or takes it out. A page without a video
    // reports nothing; leaving reports nothing either, as the program asked for it.
    virtual void SetPictureInPicture(bool active) = 0;
};

#endif  // ENGINE_INCLUDE_CEF_BROWSER_H_
