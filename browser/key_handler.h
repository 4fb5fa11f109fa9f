#ifndef BROWSER_KEY_HANDLER_H_
#define BROWSER_KEY_HANDLER_H_

#include <memory>

#include "browser/browser_keys.h"
#include "include/cef_keyboard_handler.h"

class PageWindows;

// The keys viewers know from browsers, in every browser of the handler. Full screen's keys come
// before the page; the others only when the page left them alone. Whether a key is taken is
// answered at once; what it does happens on the window's next turn, outside the engine's key
// handling (a refresh's beacon waits for its answer).
class KeyHandler : public CefKeyboardHandler {
public:
    explicit KeyHandler(std::shared_ptr<PageWindows> windows);

    bool OnPreKeyEvent(CefRefPtr<CefBrowser> browser, const CefKeyEvent &event,
                       CefEventHandle os_event, bool *is_keyboard_shortcut) override;
    bool OnKeyEvent(CefRefPtr<CefBrowser> browser, const CefKeyEvent &event,
                    CefEventHandle os_event) override;

private:
    // The browser keys in a pop-up's page, after the page left them alone.
    bool onPopupKey(CefRefPtr<CefBrowser> browser, BrowserKey key);

    std::shared_ptr<PageWindows> windows_;

    IMPLEMENT_REFCOUNTING(KeyHandler);
};

#endif  // BROWSER_KEY_HANDLER_H_
