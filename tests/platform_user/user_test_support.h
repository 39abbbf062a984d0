// Small helpers shared by the window-layer tests: a window that records its messages, a pump,
// and a fixture that leaves the input state clean.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "platform/kernel/thread.h"
#include "platform/user/CWnd.h"
#include "platform/user/input.h"
#include "platform/user/surface.h"

namespace user_test {

// Takes every message the queue has now, as a message loop would.
inline void Pump()
{
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

// Fills a window's whole surface with one pixel, as a paint would.
inline void Fill(HWND hwnd, std::uint32_t pixel)
{
    platform::user::Surface* s = platform::user::GetWindowSurface(hwnd);
    for (int y = 0; y < s->height; ++y) std::fill(s->row(y), s->row(y) + s->width, pixel);
    platform::user::MarkSurfaceChanged(hwnd, nullptr);
}

struct Logged {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A generic window that records every message reaching it, then handles it the default way.
// A paint takes the update region, as BeginPaint would.
class RecordingWnd : public CWnd {
public:
    std::vector<Logged> log;
    LRESULT hitTest = 0;  // non-zero: the answer to WM_NCHITTEST
    int createResult = 0;

    BOOL CreateTop(int x, int y, int w, int h, DWORD style = WS_POPUP | WS_VISIBLE, HWND owner = nullptr)
    {
        return CreateEx(0, nullptr, "test", style, x, y, w, h, owner, nullptr);
    }
    BOOL CreateChild(CWnd& parent, int x, int y, int w, int h, UINT id = 1, DWORD style = WS_CHILD | WS_VISIBLE)
    {
        return Create(nullptr, "child", style, RECT{x, y, x + w, y + h}, &parent, id);
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        log.push_back(Logged{message, wParam, lParam});
        if (message == WM_CREATE && createResult != 0) return createResult;
        if (message == WM_NCHITTEST && hitTest != 0) return hitTest;
        if (message == WM_PAINT) {
            platform::user::TakeUpdateRegion(m_hWnd, nullptr, nullptr);
            return 0;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }

    int Count(UINT message) const
    {
        return static_cast<int>(std::count_if(log.begin(), log.end(), [message](const Logged& l) { return l.message == message; }));
    }
    std::vector<UINT> Messages() const
    {
        std::vector<UINT> m;
        for (const auto& l : log) m.push_back(l.message);
        return m;
    }
    const Logged* Last(UINT message) const
    {
        for (auto it = log.rbegin(); it != log.rend(); ++it)
            if (it->message == message) return &*it;
        return nullptr;
    }
};

// True when `wanted` occurs in `all` in this order (other messages may come between).
inline bool InOrder(const std::vector<UINT>& all, const std::vector<UINT>& wanted)
{
    auto it = all.begin();
    for (UINT w : wanted) {
        it = std::find(it, all.end(), w);
        if (it == all.end()) return false;
        ++it;
    }
    return true;
}

class UserTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        ReleaseCapture();
        ClipCursor(nullptr);
        using platform::user::input::Button;
        platform::user::input::MouseButton(POINT{-1000, -1000}, Button::Left, false);
        platform::user::input::MouseButton(POINT{-1000, -1000}, Button::Right, false);
        for (int vk : {VK_CONTROL, VK_MENU, VK_SHIFT, VK_SPACE, VK_ESCAPE}) platform::user::input::Key(vk, false);
        Pump();
    }
};

}  // namespace user_test
