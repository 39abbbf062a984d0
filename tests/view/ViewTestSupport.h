// Helpers of the view tests: a top-level window to host controls, mouse messages as the window
// layer delivers them, and a message pump.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/user/CWnd.h"
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

}  // namespace view_test
