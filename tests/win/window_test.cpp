// Needs a display: run under xvfb-run.
#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "platform/platform.h"

namespace {

platform::WindowHandle handleOf(HWND window) {
    return reinterpret_cast<platform::WindowHandle>(window);
}

class WindowTest : public testing::Test {
protected:
    void SetUp() override {
        parent_ = CreateWindowExW(0, L"STATIC", L"parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 30,
                                  400, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(parent_, nullptr);
        child_ = CreateWindowExW(0, L"STATIC", L"child", WS_CHILD | WS_VISIBLE, 25, 15, 50, 40,
                                 parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(child_, nullptr);
        sibling_ = CreateWindowExW(0, L"STATIC", L"sibling", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10,
                                   parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(sibling_, nullptr);
    }

    void TearDown() override {
        if (parent_) {
            DestroyWindow(parent_);
        }
    }

    // The child's rectangle in its parent's client coordinates.
    RECT childRect() const {
        RECT rect;
        GetWindowRect(child_, &rect);
        MapWindowPoints(nullptr, parent_, reinterpret_cast<POINT *>(&rect), 2);
        return rect;
    }

    HWND parent_ = nullptr;
    HWND child_ = nullptr;
    HWND sibling_ = nullptr;
};

}  // namespace

TEST_F(WindowTest, PlaceChildWindowMovesAndSizesItInItsParent) {
    const HWND above = GetWindow(child_, GW_HWNDPREV);
    const HWND below = GetWindow(child_, GW_HWNDNEXT);

    platform::placeChildWindow(handleOf(child_), 0, 0, 320, 200);

    const RECT rect = childRect();
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.right - rect.left, 320);
    EXPECT_EQ(rect.bottom - rect.top, 200);
    // Its place among its siblings stays as it was.
    EXPECT_EQ(GetWindow(child_, GW_HWNDPREV), above);
    EXPECT_EQ(GetWindow(child_, GW_HWNDNEXT), below);

    platform::placeChildWindow(handleOf(child_), 0, 0, 120, 80);
    EXPECT_EQ(childRect().right, 120);
    EXPECT_EQ(childRect().bottom, 80);
}

TEST_F(WindowTest, FocusWindowGivesTheWindowTheKeyboardFocus) {
    SetForegroundWindow(parent_);
    SetFocus(child_);
    ASSERT_EQ(GetFocus(), child_);
    platform::focusWindow(handleOf(parent_));
    EXPECT_EQ(GetFocus(), parent_);
}

TEST_F(WindowTest, ReleaseMouseCaptureEndsACapture) {
    SetCapture(parent_);
    ASSERT_EQ(GetCapture(), parent_);
    EXPECT_TRUE(platform::releaseMouseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowTest, StartWindowMoveFollowsTheMouseUntilTheButtonIsReleased) {
    RECT before;
    GetWindowRect(parent_, &before);
    POINT grip = {before.left + 100, before.top + 10};
    // As in the title bar, the move starts from the mouse message being handled.
    SetCursorPos(grip.x, grip.y);
    PostMessageW(parent_, WM_MOUSEMOVE, 0, 0);
    MSG pressed;
    ASSERT_TRUE(PeekMessageW(&pressed, parent_, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
    // The move loop runs inside the call, on this thread: another thread plays the user, who
    // drags by (60, 45) and lets go.
    std::thread user([this, grip] {
        Sleep(300);
        SetCursorPos(grip.x + 60, grip.y + 45);
        PostMessageW(parent_, WM_MOUSEMOVE, 0, 0);
        Sleep(300);
        PostMessageW(parent_, WM_LBUTTONUP, 0, 0);
    });
    platform::startWindowMove(handleOf(parent_));
    user.join();
    RECT after;
    GetWindowRect(parent_, &after);
    EXPECT_EQ(after.left - before.left, 60);
    EXPECT_EQ(after.top - before.top, 45);
}

TEST(WindowScreen, PrimaryScreenSizeIsTheDisplays) {
    // run-wine-tests.sh starts the X server at 1280x1024.
    int width = 0;
    int height = 0;
    platform::primaryScreenSize(width, height);
    EXPECT_EQ(width, 1280);
    EXPECT_EQ(height, 1024);
}
