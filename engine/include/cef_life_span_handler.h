#ifndef ENGINE_INCLUDE_CEF_LIFE_SPAN_HANDLER_H_
#define ENGINE_INCLUDE_CEF_LIFE_SPAN_HANDLER_H_

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_unused_interfaces.h"

class CefClient;

// Birth, pop-ups and death of browsers.
class CefLifeSpanHandler : public virtual CefBaseRefCounted {
public:
    // A page asks for a new tab or window showing target_url (absolute). Return true to cancel;
    // false lets the engine open a top-level window with a browser of its own and this client.
    virtual bool OnBeforePopup(CefRefPtr<CefBrowser> /*browser*/, CefRefPtr<CefFrame> /*frame*/,
                               const CefString & /*target_url*/,
                               const CefString & /*target_frame_name*/,
                               WindowOpenDisposition /*target_disposition*/, bool /*user_gesture*/,
                               const CefPopupFeatures & /*popupFeatures*/,
                               CefWindowInfo & /*windowInfo*/, CefRefPtr<CefClient> & /*client*/,
                               CefBrowserSettings & /*settings*/,
                               CefRefPtr<CefDictionaryValue> & /*extra_info*/,
                               bool * /*no_javascript_access*/) {
        return false;
    }
    virtual void OnAfterCreated(CefRefPtr<CefBrowser> /*browser*/) {}
    // The browser is about to close. Return false to let the engine close its top-level window;
    // true keeps the browser, and closing it later is the client's own task (CloseBrowser, or
    // closing its window): a page's window.close() is delivered once on some engine versions
    // (Qt WebEngine 6.8), so the page cannot be relied on to ask again.
    virtual bool DoClose(CefRefPtr<CefBrowser> /*browser*/) { return false; }
    // Last call for a browser; drop every reference to it here.
    virtual void OnBeforeClose(CefRefPtr<CefBrowser> /*browser*/) {}
};

#endif  // ENGINE_INCLUDE_CEF_LIFE_SPAN_HANDLER_H_
