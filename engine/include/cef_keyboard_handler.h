#ifndef ENGINE_INCLUDE_CEF_KEYBOARD_HANDLER_H_
#define ENGINE_INCLUDE_CEF_KEYBOARD_HANDLER_H_

#include "include/cef_base.h"
#include "include/cef_browser.h"

// Keys pressed in a browser's page. Only key presses are reported (KEYEVENT_RAWKEYDOWN); keys the
// page did not take only for browsers inside a window of the program's.
class CefKeyboardHandler : public virtual CefBaseRefCounted {
public:
    // Before the page sees the key. Returning true keeps it from the page; is_keyboard_shortcut
    // is not used.
    virtual bool OnPreKeyEvent(CefRefPtr<CefBrowser> /*browser*/, const CefKeyEvent & /*event*/,
                               CefEventHandle /*os_event*/, bool * /*is_keyboard_shortcut*/) {
        return false;
    }
    // A key the page did not take: it had no use for it or did not call preventDefault(). Returning
    // true marks it handled.
    virtual bool OnKeyEvent(CefRefPtr<CefBrowser> /*browser*/, const CefKeyEvent & /*event*/,
                            CefEventHandle /*os_event*/) {
        return false;
    }
};

#endif  // ENGINE_INCLUDE_CEF_KEYBOARD_HANDLER_H_
