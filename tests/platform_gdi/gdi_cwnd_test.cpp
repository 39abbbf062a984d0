// The window class's device contexts.
#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "platform/user/CWnd.h"
#include "platform/user/surface.h"
#include "platform/user/window.h"

namespace {

std::uint32_t Rgb(const platform::user::Picture& p, int x, int y) { return p.at(x, y) & 0xFFFFFFu; }

}  // namespace

TEST(WindowObject, GetDcDrawsIntoItsWindow)
{
    HWND hwnd = CreateWindowExA(0, nullptr, "cwnd", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    CWnd* wnd = CWnd::FromHandle(hwnd);
    ASSERT_NE(wnd, nullptr);
    CDC* dc = wnd->GetDC();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(WindowFromDC(dc->m_hDC), hwnd);
    dc->FillSolidRect(0, 0, 10, 10, RGB(0, 0, 255));
    EXPECT_EQ(wnd->ReleaseDC(dc), 1);
    platform::user::Picture p;
    ASSERT_TRUE(platform::user::RenderWindow(hwnd, &p));
    EXPECT_EQ(Rgb(p, 5, 5), 0x0000FFu);
    EXPECT_EQ(Rgb(p, 50, 50), 0u);
    DestroyWindow(hwnd);
}
