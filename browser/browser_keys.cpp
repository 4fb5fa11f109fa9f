#include "browser/browser_keys.h"

namespace {

constexpr uint32 kModifiers = EVENTFLAG_SHIFT_DOWN | EVENTFLAG_CONTROL_DOWN | EVENTFLAG_ALT_DOWN;

}  // namespace

BrowserKey browserKeyBeforePage(const CefKeyEvent &event) {
    if (event.type != KEYEVENT_RAWKEYDOWN || (event.modifiers & kModifiers) != 0) {
        return BrowserKey::kNone;
    }
    switch (event.windows_key_code) {
        case VK_F11:
            return BrowserKey::kToggleFullscreen;
        case VK_ESCAPE:
            return BrowserKey::kLeaveFullscreen;
        default:
            return BrowserKey::kNone;
    }
}

BrowserKey browserKeyAfterPage(const CefKeyEvent &event) {
    const uint32 modifiers = event.modifiers & kModifiers;
    if (event.type != KEYEVENT_RAWKEYDOWN) {
        return BrowserKey::kNone;
    }
    if (modifiers & EVENTFLAG_ALT_DOWN) {
        if (modifiers != EVENTFLAG_ALT_DOWN) {
            return BrowserKey::kNone;
        }
        switch (event.windows_key_code) {
            case VK_LEFT:
                return BrowserKey::kBack;
            case VK_RIGHT:
                return BrowserKey::kForward;
            // Neither Chromium nor Firefox gives Alt+P a meaning, nor do their menu bars.
            case 'P':
                return BrowserKey::kSmallPlayer;
            default:
                return BrowserKey::kNone;
        }
    }
    const bool shift = modifiers & EVENTFLAG_SHIFT_DOWN;
    const int key = event.windows_key_code;
    if (!(modifiers & EVENTFLAG_CONTROL_DOWN)) {
        if (key == VK_F5) {
            return shift ? BrowserKey::kReloadIgnoringCache : BrowserKey::kReload;
        }
        return key == VK_F12 && !shift ? BrowserKey::kDevTools : BrowserKey::kNone;
    }
    switch (key) {
        case 'R':
            return shift ? BrowserKey::kReloadIgnoringCache : BrowserKey::kReload;
        // "+" is a shifted key on most layouts, so Shift does not matter to the zoom keys.
        case VK_OEM_PLUS:
        case VK_ADD:
            return BrowserKey::kZoomIn;
        case VK_OEM_MINUS:
        case VK_SUBTRACT:
            return BrowserKey::kZoomOut;
        case '0':
        case VK_NUMPAD0:
            return BrowserKey::kZoomReset;
        default:
            return BrowserKey::kNone;
    }
}
