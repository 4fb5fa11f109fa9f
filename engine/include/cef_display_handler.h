#ifndef ENGINE_INCLUDE_CEF_DISPLAY_HANDLER_H_
#define ENGINE_INCLUDE_CEF_DISPLAY_HANDLER_H_

#include <vector>

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"

// Changes of what a browser displays. The defaults do nothing.
class CefDisplayHandler : public virtual CefBaseRefCounted {
public:
    virtual void OnAddressChange(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                                 const CefString & /*url*/) {}
    virtual void OnTitleChange(CefRefPtr<CefBrowser> /*browser*/, const CefString & /*title*/) {}
    virtual void OnFaviconURLChange(CefRefPtr<CefBrowser> /*browser*/,
                                    const std::vector<CefString> & /*icon_urls*/) {}
    virtual void OnFullscreenModeChange(CefRefPtr<CefBrowser> /*browser*/, bool /*fullscreen*/) {}
    virtual bool OnTooltip(CefRefPtr<CefBrowser> /*browser*/, CefString & /*text*/) {
        return false;
    }
    virtual void OnStatusMessage(CefRefPtr<CefBrowser> /*browser*/, const CefString & /*value*/) {}
    virtual bool OnConsoleMessage(CefRefPtr<CefBrowser> /*browser*/, cef_log_severity_t /*level*/,
                                  const CefString & /*message*/, const CefString & /*source*/,
                                  int /*line*/) {
        return false;
    }
    virtual bool OnAutoResize(CefRefPtr<CefBrowser> /*browser*/, const CefSize & /*new_size*/) {
        return false;
    }
    virtual void OnLoadingProgressChange(CefRefPtr<CefBrowser> /*browser*/, double /*progress*/) {}
    // The viewer zoomed the page by the engine's own means (Ctrl and the mouse wheel over a page
    // that left the wheel alone); SetZoomLevel reports nothing here. This engine's addition: the
    // API it follows leaves such zooming to the engine without telling the program.
    virtual void OnZoomChange(CefRefPtr<CefBrowser> /*browser*/, double /*zoom_level*/) {}
    // The page put one of its videos into picture-in-picture (the viewer's click and the page's
    // requestPictureInPicture(), or SetPictureInPicture) or took it out again; the video then
    // fills the browser's whole view. At most one change per frame is reported, however fast the
    // page switches. This engine's addition: the API it follows has the engine open a window of
    // its own for the video.
    virtual void OnPictureInPictureModeChange(CefRefPtr<CefBrowser> /*browser*/, bool /*active*/) {}
};

#endif  // ENGINE_INCLUDE_CEF_DISPLAY_HANDLER_H_
