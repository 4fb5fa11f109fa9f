#ifndef BROWSER_BROWSER_KEYS_H_
#define BROWSER_BROWSER_KEYS_H_

#include "include/internal/cef_types_wrappers.h"

// What the keys a viewer knows from browsers ask the client to do.
enum class BrowserKey {
    kNone,
    kReload,
    kReloadIgnoringCache,
    kZoomIn,
    kZoomOut,
    kZoomReset,
    kDevTools,
    kToggleFullscreen,
    kLeaveFullscreen,
    kBack,
    kForward,
    kSmallPlayer,
};

// Full screen's keys are the client's before the page sees them; the rest only once the page has
// left them alone.
BrowserKey browserKeyBeforePage(const CefKeyEvent &event);
BrowserKey browserKeyAfterPage(const CefKeyEvent &event);

#endif  // BROWSER_BROWSER_KEYS_H_
