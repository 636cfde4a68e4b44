// The cursor in a window's client coordinates, read from the real platform.
#include <windows.h>

#include <gtest/gtest.h>

#include "test_support.h"
#include "view/cursor.h"

using namespace vela::view;

TEST(ViewCursor, PositionIsRelativeToTheClientOrigin) {
    HWND window = CreateWindowExA(0, "STATIC", "cursor", WS_POPUP | WS_VISIBLE | WS_BORDER, 200, 150, 400, 300,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    POINT expected{0, 0};
    ClientToScreen(window, &expected);
    const POINT origin = ClientOriginOnScreen(window);
    EXPECT_EQ(origin.x, expected.x);
    EXPECT_EQ(origin.y, expected.y);
    EXPECT_GE(origin.x, 200);

    ASSERT_TRUE(SetCursorPos(origin.x + 37, origin.y + 21));
    POINT at{-1, -1};
    ASSERT_TRUE(vela::test::WaitFor([&] {
        at = CursorPositionIn(window);
        return at.x == 37 && at.y == 21;
    }, 5000)) << at.x << "," << at.y;
    // Without a window the position is the screen position.
    POINT screen = CursorPositionIn(nullptr);
    EXPECT_EQ(screen.x, origin.x + 37);
    EXPECT_EQ(screen.y, origin.y + 21);
    DestroyWindow(window);
}

TEST(ViewCursor, NoWindowMeansTheFocusWindow) {
    HWND window = CreateWindowExA(0, "EDIT", "", WS_POPUP | WS_VISIBLE, 300, 260, 200, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    SetFocus(window);
    if (GetFocus() == window) {
        POINT expected{0, 0};
        ClientToScreen(window, &expected);
        const POINT origin = ClientOriginOnScreen(nullptr);
        EXPECT_EQ(origin.x, expected.x);
        EXPECT_EQ(origin.y, expected.y);
    }
    DestroyWindow(window);
    SetFocus(nullptr);
    const POINT none = ClientOriginOnScreen(nullptr);
    EXPECT_EQ(none.x, 0);
    EXPECT_EQ(none.y, 0);
}
