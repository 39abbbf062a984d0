// Helpers of the skinned-control tests: GDI+ started once, a host window that paints itself in one
// colour and records its paints and button clicks, a message pump that offers each message to
// PreTranslateMessage as the program's loops do, and the pixels of what a window shows.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "controls/InitGdiplus.h"
#include "platform/gdi/gdi.h"
#include "platform/gdiplus/gdiplus.h"
#include "platform/user/CButton.h"
#include "platform/user/input.h"
#include "platform/user/surface.h"
#include "tests/platform_user/user_test_support.h"

namespace skin_test {

// GDI+ started once for the whole test program.
inline void StartGdiplus()
{
    static const int started = InitGdiplus();
    (void)started;
}

// Takes every queued message as the program's message loops do: PreTranslateMessage of the
// target and its parents first.
inline void Pump()
{
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (AfxPreTranslateTree(nullptr, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

// A top-level window that paints its client area in one colour, counts its paints and erasures,
// keeps what its last paint was asked to cover, and hands each BN_CLICKED notice of its buttons
// to `clicked` where a handler in its message map would hear it: only when the button's own
// reflected handler lets the notice go on.
class Host : public CWnd {
public:
    COLORREF colour = RGB(255, 0, 0);
    int paints = 0;
    int erases = 0;
    RECT lastPaint{};
    std::function<void(UINT id)> clicked;

    BOOL CreateTop(int width, int height)
    {
        return CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr);
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_PAINT) {
            Paint();
            return 0;
        }
        if (message == WM_ERASEBKGND)
            ++erases;
        return CWnd::WindowProc(message, wParam, lParam);
    }

    BOOL OnCmdMsg(UINT id, int code, LRESULT* result) override
    {
        if (code == BN_CLICKED && clicked) {
            clicked(id);
            return TRUE;
        }
        return CWnd::OnCmdMsg(id, code, result);
    }

private:
    void Paint()
    {
        CPaintDC dc(this);
        ++paints;
        lastPaint = dc.m_ps.rcPaint;
        CRect client;
        GetClientRect(&client);
        dc.FillSolidRect(&client, colour);
    }
};

// The picture a window shows (its children composed over it), also written as a PNG under the
// test folder for people to look at.
inline platform::user::Picture Shot(HWND hwnd, const std::string& name)
{
    platform::user::Picture picture;
    EXPECT_TRUE(platform::user::RenderWindow(hwnd, &picture));
    const char* tmp = std::getenv("VANTREL_TEST_TMP");
    platform::user::WritePictureToPng(picture, std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + ".png");
    return picture;
}

// The part [area) of a picture.
inline platform::user::Picture Crop(const platform::user::Picture& p, const RECT& area)
{
    platform::user::Picture part;
    part.width = area.right - area.left;
    part.height = area.bottom - area.top;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            part.pixels.push_back(p.at(x, y));
    return part;
}

// 0xRRGGBB of a picture's pixel.
inline std::uint32_t Rgb(const platform::user::Picture& p, int x, int y) { return p.at(x, y) & 0xFFFFFFu; }
inline std::uint32_t RgbOf(COLORREF c)
{
    return (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

// The smallest rectangle holding every pixel of [area) whose colour differs from `ground`; empty
// when there is none.
inline RECT InkBounds(const platform::user::Picture& p, const RECT& area, std::uint32_t ground)
{
    RECT r{area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (Rgb(p, x, y) == ground)
                continue;
            r.left = std::min<LONG>(r.left, x);
            r.top = std::min<LONG>(r.top, y);
            r.right = std::max<LONG>(r.right, x + 1);
            r.bottom = std::max<LONG>(r.bottom, y + 1);
        }
    }
    if (r.left >= r.right)
        return RECT{0, 0, 0, 0};
    return r;
}

// How many pixels of [area) have exactly this colour.
inline int CountOf(const platform::user::Picture& p, const RECT& area, std::uint32_t rgb)
{
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            n += Rgb(p, x, y) == rgb;
    return n;
}

// Every pixel of [area) has this colour.
inline bool AllOf(const platform::user::Picture& p, const RECT& area, std::uint32_t rgb)
{
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (Rgb(p, x, y) != rgb)
                return false;
    return true;
}

// The first `characters` whole characters of a UTF-8 text.
inline std::string FirstCharacters(const std::string& text, int characters)
{
    const char* end = text.c_str();
    for (int i = 0; i < characters; ++i)
        end = CharNextA(end);
    return std::string(text.c_str(), end);
}

// A bitmap of one colour, as an image a control can own.
inline Gdiplus::Bitmap* SolidImage(int width, int height, Gdiplus::ARGB argb)
{
    auto* bitmap = new Gdiplus::Bitmap(width, height, Gdiplus::PixelFormat32bppARGB);
    Gdiplus::Graphics graphics(bitmap);
    Gdiplus::SolidBrush brush{Gdiplus::Color(argb)};
    graphics.FillRectangle(&brush, 0, 0, width, height);
    return bitmap;
}

// The user's mouse: presses and releases go through the window layer's input, as a display
// delivers them, and the queue is pumped after each.
inline POINT OnScreen(HWND hwnd, int x, int y)
{
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    return p;
}
inline void MouseTo(HWND hwnd, int x, int y)
{
    platform::user::input::MouseMove(OnScreen(hwnd, x, y));
    Pump();
}
inline void MouseButton(HWND hwnd, int x, int y, bool down)
{
    platform::user::input::MouseButton(OnScreen(hwnd, x, y), platform::user::input::Button::Left, down);
    Pump();
}
inline void UserClick(HWND hwnd, int x, int y)
{
    MouseTo(hwnd, x, y);
    MouseButton(hwnd, x, y, true);
    MouseButton(hwnd, x, y, false);
}
// Two clicks queued before either is handled, as a display delivers a double click to a busy
// window: the second is a double click however long the first takes to handle.
inline void QueueDoubleClick(HWND hwnd, int x, int y)
{
    for (int i = 0; i < 2; ++i) {
        platform::user::input::MouseButton(OnScreen(hwnd, x, y), platform::user::input::Button::Left, true);
        platform::user::input::MouseButton(OnScreen(hwnd, x, y), platform::user::input::Button::Left, false);
    }
}
inline void DoubleClick(HWND hwnd, int x, int y)
{
    MouseTo(hwnd, x, y);
    QueueDoubleClick(hwnd, x, y);
    Pump();
}

// Each test starts with GDI+ running and ends with the input state clean.
class SkinTest : public user_test::UserTest {
protected:
    void SetUp() override
    {
        StartGdiplus();
        ASSERT_TRUE(host.CreateTop(400, 300));
    }
    void TearDown() override
    {
        user_test::UserTest::TearDown();
        if (::IsWindow(host.m_hWnd))
            host.DestroyWindow();
    }

    Host host;
};

}  // namespace skin_test
