#include <windows.h>

#include "platform/platform.h"

namespace platform {

namespace {

HWND hwndOf(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}

}  // namespace

void placeChildWindow(WindowHandle child, int x, int y, int width, int height) {
    // A batch of one: the move and the size reach the window as one change, and its place among
    // its siblings stays as it is.
    HDWP batch = BeginDeferWindowPos(1);
    batch = DeferWindowPos(batch, hwndOf(child), nullptr, x, y, width, height, SWP_NOZORDER);
    EndDeferWindowPos(batch);
}

bool releaseMouseCapture() {
    return ReleaseCapture() != FALSE;
}

void startWindowMove(WindowHandle window) {
    // SC_MOVE with HTCAPTION: the system's own move loop, as for a drag on a system caption; it
    // returns when the move ends.
    SendMessageW(hwndOf(window), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
}

bool startWindowResize(WindowHandle, unsigned, int, int) {
    // The program's own resize follows the pointer on Windows as it is.
    return false;
}

void focusWindow(WindowHandle window) {
    SetFocus(hwndOf(window));
}

void sleepMilliseconds(unsigned milliseconds) {
    Sleep(milliseconds);
}

bool desktopComposited() {
    // Layered windows are blended by the system itself, with or without desktop composition.
    return true;
}

std::string chooseWindowSystem() {
    // One window system only.
    return std::string();
}

}  // namespace platform
