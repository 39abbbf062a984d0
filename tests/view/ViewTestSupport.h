// Helpers of the view tests: a top-level window to host controls, mouse messages as the window
// layer delivers them, a message pump, and texts compared as they are drawn.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/user/CWnd.h"
#include "platform/user/surface.h"
#include "platform/user/window.h"

namespace view_test {

inline void Pump()
{
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

inline void Send(HWND hwnd, UINT message, int x, int y, WPARAM flags = 0)
{
    SendMessage(hwnd, message, flags, MAKELPARAM(x, y));
}

inline void Press(HWND hwnd, int x, int y) { Send(hwnd, WM_LBUTTONDOWN, x, y, MK_LBUTTON); }
inline void Move(HWND hwnd, int x, int y) { Send(hwnd, WM_MOUSEMOVE, x, y, MK_LBUTTON); }
inline void Release(HWND hwnd, int x, int y) { Send(hwnd, WM_LBUTTONUP, x, y); }
inline void RightPress(HWND hwnd, int x, int y) { Send(hwnd, WM_RBUTTONDOWN, x, y, MK_RBUTTON); }
inline void Click(HWND hwnd, int x, int y)
{
    Press(hwnd, x, y);
    Release(hwnd, x, y);
}
inline void Drag(HWND hwnd, int x0, int y0, int x1, int y1)
{
    Press(hwnd, x0, y0);
    Move(hwnd, x1, y1);
    Release(hwnd, x1, y1);
}

// A plain top-level window that hosts the control under test (a permanent window object, so
// that its children can name it as their parent).
class HostWnd : public CWnd {
public:
    BOOL CreateTop(int width, int height)
    {
        return CreateEx(0, nullptr, "view test", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr);
    }
};

inline std::string OutputPath(const std::string& name)
{
    const char* tmp = std::getenv("VANTREL_TEST_TMP");
    std::string dir = tmp && *tmp ? tmp : "/tmp";
    std::system(("mkdir -p '" + dir + "'").c_str());
    return dir + "/" + name;
}

// Whether `shown` shows the text that `withText` shows: around the pixels in which `withText`
// differs from `plain` (the same picture without the text), widened by a pixel and by a few more
// to the right, where a longer text would go on, both pictures must be the same.
inline ::testing::AssertionResult ShowsTheSameText(const platform::user::Picture& shown,
                                                   const platform::user::Picture& withText,
                                                   const platform::user::Picture& plain)
{
    if (shown.width != withText.width || shown.height != withText.height || plain.width != withText.width ||
        plain.height != withText.height)
        return ::testing::AssertionFailure() << "pictures of different sizes";
    int left = withText.width, top = withText.height, right = -1, bottom = -1;
    for (int y = 0; y < withText.height; ++y)
        for (int x = 0; x < withText.width; ++x)
            if (withText.at(x, y) != plain.at(x, y)) {
                left = std::min(left, x);
                top = std::min(top, y);
                right = std::max(right, x);
                bottom = std::max(bottom, y);
            }
    if (right < 0)
        return ::testing::AssertionFailure() << "the expected text draws nothing";
    left = std::max(0, left - 1);
    top = std::max(0, top - 1);
    right = std::min(withText.width - 1, right + 4);
    bottom = std::min(withText.height - 1, bottom + 1);
    int differ = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            differ += shown.at(x, y) != withText.at(x, y) ? 1 : 0;
    if (differ == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differ << " pixels of (" << left << ", " << top << ")-(" << right << ", "
                                         << bottom << ") differ from the expected text";
}

}  // namespace view_test
