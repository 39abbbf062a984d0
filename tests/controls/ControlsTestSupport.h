// Helpers of the skinned-control tests: a top-level host window for the controls, the pixels of
// what it shows, and the user's mouse on a control.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>

#include "platform/user/CWnd.h"
#include "platform/user/input.h"
#include "platform/user/surface.h"
#include "tests/controls/SkinTestSupport.h"
#include "tests/platform_user/user_test_support.h"

namespace controls_test {

// Messages are offered to PreTranslateMessage first, as the program's loops do.
using skin_test::Pump;

// A plain top-level window that holds the controls under test.
class Host : public CWnd {
public:
    BOOL CreateTop(int x, int y, int w, int h) { return CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr); }
};

// The window as the user sees it, its children composed over it.
inline platform::user::Picture Shot(HWND hwnd)
{
    platform::user::Picture p;
    RenderWindow(hwnd, &p);
    return p;
}

inline std::uint32_t Opaque(COLORREF c) { return platform::user::OpaquePixel(c); }

// The number of pixels of colour c in the rectangle of the picture.
inline int CountPixels(const platform::user::Picture& p, const RECT& r, COLORREF c)
{
    int n = 0;
    for (int y = std::max<int>(0, r.top); y < std::min<int>(p.height, r.bottom); ++y)
        for (int x = std::max<int>(0, r.left); x < std::min<int>(p.width, r.right); ++x)
            n += p.at(x, y) == Opaque(c);
    return n;
}

// The number of pixels in the rectangle that show colour c blended over a dark ground, as the
// edges of anti-aliased text do: each channel that c has is lit, each that it lacks stays dark.
inline int CountTinted(const platform::user::Picture& p, const RECT& r, COLORREF c)
{
    auto lit = [](std::uint32_t channel) { return channel > 60; };
    int n = 0;
    for (int y = std::max<int>(0, r.top); y < std::min<int>(p.height, r.bottom); ++y) {
        for (int x = std::max<int>(0, r.left); x < std::min<int>(p.width, r.right); ++x) {
            const std::uint32_t px = p.at(x, y);
            n += lit((px >> 16) & 0xFF) == (GetRValue(c) != 0) && lit((px >> 8) & 0xFF) == (GetGValue(c) != 0) &&
                 lit(px & 0xFF) == (GetBValue(c) != 0);
        }
    }
    return n;
}

// The number of pixels in the rectangle within `tolerance` of colour c in each channel, as the
// cores of anti-aliased strokes are, whatever the ground around them.
inline int CountNear(const platform::user::Picture& p, const RECT& r, COLORREF c, int tolerance)
{
    auto near = [tolerance](std::uint32_t channel, int wanted) { return std::abs(static_cast<int>(channel) - wanted) <= tolerance; };
    int n = 0;
    for (int y = std::max<int>(0, r.top); y < std::min<int>(p.height, r.bottom); ++y) {
        for (int x = std::max<int>(0, r.left); x < std::min<int>(p.width, r.right); ++x) {
            const std::uint32_t px = p.at(x, y);
            n += near((px >> 16) & 0xFF, GetRValue(c)) && near((px >> 8) & 0xFF, GetGValue(c)) && near(px & 0xFF, GetBValue(c));
        }
    }
    return n;
}

using skin_test::OnScreen;

// Presses the left button at one client point of hwnd, moves to another and lets go there (both
// taken where the window stands before the press).
inline void Drag(HWND hwnd, POINT from, POINT to)
{
    using platform::user::input::Button;
    const POINT start = OnScreen(hwnd, from.x, from.y), end = OnScreen(hwnd, to.x, to.y);
    platform::user::input::MouseMove(start);
    platform::user::input::MouseButton(start, Button::Left, true);
    Pump();
    platform::user::input::MouseMove(end);
    Pump();
    platform::user::input::MouseButton(end, Button::Left, false);
    Pump();
}

inline void Click(HWND hwnd, POINT at)
{
    Drag(hwnd, at, at);
}

// The input state of one test never leaks into the next.
class ControlTest : public user_test::UserTest {};

}  // namespace controls_test
