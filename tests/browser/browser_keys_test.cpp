#include <gtest/gtest.h>

#include <cmath>

#include "browser/browser_keys.h"
#include "browser/zoom_steps.h"

namespace {

CefKeyEvent key(int code, uint32 modifiers = 0) {
    CefKeyEvent event;
    event.windows_key_code = code;
    event.modifiers = modifiers;
    return event;
}

constexpr uint32 kCtrl = EVENTFLAG_CONTROL_DOWN;
constexpr uint32 kShift = EVENTFLAG_SHIFT_DOWN;
constexpr uint32 kAlt = EVENTFLAG_ALT_DOWN;

TEST(BrowserKeysTest, KeysThePageLeftAlone) {
    EXPECT_EQ(browserKeyAfterPage(key(VK_F5)), BrowserKey::kReload);
    EXPECT_EQ(browserKeyAfterPage(key('R', kCtrl)), BrowserKey::kReload);
    EXPECT_EQ(browserKeyAfterPage(key(VK_F5, kShift)), BrowserKey::kReloadIgnoringCache);
    EXPECT_EQ(browserKeyAfterPage(key('R', kCtrl | kShift)), BrowserKey::kReloadIgnoringCache);
    // "+" needs Shift on most layouts; the keypad's keys count too.
    EXPECT_EQ(browserKeyAfterPage(key(VK_OEM_PLUS, kCtrl | kShift)), BrowserKey::kZoomIn);
    EXPECT_EQ(browserKeyAfterPage(key(VK_ADD, kCtrl | EVENTFLAG_IS_KEY_PAD)), BrowserKey::kZoomIn);
    EXPECT_EQ(browserKeyAfterPage(key(VK_SUBTRACT, kCtrl)), BrowserKey::kZoomOut);
    EXPECT_EQ(browserKeyAfterPage(key(VK_OEM_MINUS, kCtrl)), BrowserKey::kZoomOut);
    EXPECT_EQ(browserKeyAfterPage(key('0', kCtrl)), BrowserKey::kZoomReset);
    EXPECT_EQ(browserKeyAfterPage(key(VK_NUMPAD0, kCtrl)), BrowserKey::kZoomReset);
    EXPECT_EQ(browserKeyAfterPage(key(VK_F12)), BrowserKey::kDevTools);
    EXPECT_EQ(browserKeyAfterPage(key(VK_LEFT, kAlt)), BrowserKey::kBack);
    EXPECT_EQ(browserKeyAfterPage(key(VK_RIGHT, kAlt)), BrowserKey::kForward);
    EXPECT_EQ(browserKeyAfterPage(key('P', kAlt)), BrowserKey::kSmallPlayer);

    // Plain letters and digits are typing; Alt makes another shortcut; full screen's keys were
    // the client's before the page.
    EXPECT_EQ(browserKeyAfterPage(key('R')), BrowserKey::kNone);
    EXPECT_EQ(browserKeyAfterPage(key('0')), BrowserKey::kNone);
    EXPECT_EQ(browserKeyAfterPage(key(VK_F5, kAlt)), BrowserKey::kNone);
    EXPECT_EQ(browserKeyAfterPage(key(VK_OEM_PLUS, kCtrl | kAlt)), BrowserKey::kNone);
    // The arrows alone move in the page; with more than Alt they are the desktop's or the page's.
    EXPECT_EQ(browserKeyAfterPage(key(VK_LEFT)), BrowserKey::kNone);
    EXPECT_EQ(browserKeyAfterPage(key(VK_RIGHT, kCtrl)), BrowserKey::kNone);
    EXPECT_EQ(browserKeyAfterPage(key('P', kCtrl | kAlt)), BrowserKey::kNone);
    EXPECT_EQ(browserKeyAfterPage(key(VK_LEFT, kAlt | kCtrl)), BrowserKey::kNone);
    EXPECT_EQ(browserKeyAfterPage(key(VK_LEFT, kAlt | kShift)), BrowserKey::kNone);
    EXPECT_EQ(browserKeyAfterPage(key(VK_F11)), BrowserKey::kNone);
    CefKeyEvent release = key(VK_F5);
    release.type = KEYEVENT_KEYUP;
    EXPECT_EQ(browserKeyAfterPage(release), BrowserKey::kNone);
}

TEST(BrowserKeysTest, FullScreenKeysComeBeforeThePage) {
    EXPECT_EQ(browserKeyBeforePage(key(VK_F11)), BrowserKey::kToggleFullscreen);
    EXPECT_EQ(browserKeyBeforePage(key(VK_ESCAPE)), BrowserKey::kLeaveFullscreen);
    EXPECT_EQ(browserKeyBeforePage(key(VK_F11, kCtrl)), BrowserKey::kNone);
    EXPECT_EQ(browserKeyBeforePage(key(VK_F5)), BrowserKey::kNone);
}

TEST(ZoomStepsTest, StepsLikeABrowserWithinItsBounds) {
    using namespace zoom_steps;
    EXPECT_DOUBLE_EQ(larger(1.0), 1.1);
    EXPECT_DOUBLE_EQ(larger(1.1), 1.25);
    EXPECT_DOUBLE_EQ(smaller(1.0), 0.9);
    EXPECT_DOUBLE_EQ(smaller(0.5), 1.0 / 3);
    // From a size between the steps (Ctrl+wheel's) to the next one each way.
    EXPECT_DOUBLE_EQ(larger(1.3), 1.5);
    EXPECT_DOUBLE_EQ(smaller(1.3), 1.25);
    // A factor read back from the engine is a hair off the step it was set to.
    EXPECT_DOUBLE_EQ(larger(factorOf(levelOf(1.25)) - 1e-9), 1.5);
    EXPECT_DOUBLE_EQ(larger(5.0), 5.0);
    EXPECT_DOUBLE_EQ(smaller(0.25), 0.25);
    EXPECT_DOUBLE_EQ(bounded(std::nan("")), 1.0);
    EXPECT_DOUBLE_EQ(bounded(0.01), 0.25);
    EXPECT_NEAR(factorOf(1.0), 1.2, 1e-12);
    EXPECT_EQ(percentOf(factorOf(levelOf(1.1))), 110);
    EXPECT_EQ(percentOf(1.0 / 3), 33);
}

}  // namespace
