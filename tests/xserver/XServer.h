// The X server that the tests of the real windows run on. scripts/test starts one (Xvfb) and names
// it in VANTREL_XSERVER_DISPLAY; the tests never use the desktop's own DISPLAY. Windows are shown
// through SDL's X11 video driver, input goes through the server (XTest) as a user's would, and the
// screen is read back from the server, so the tests see what a user sees.
#pragma once

#include <string>
#include <vector>

#include "platform/kernel/win_types.h"
#include "platform/user/surface.h"

struct _XDisplay;  // Xlib's Display, kept out of the tests: its macros clash with the program's names

namespace xserver_test {

// A top-level window that the server shows.
struct ShownWindow {
    unsigned long id = 0;
    std::string title;  // _NET_WM_NAME, else WM_NAME
    RECT screen{};      // where it lies, in screen coordinates
};

class XServer {
public:
    XServer() = default;
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    // The display named by VANTREL_XSERVER_DISPLAY, or empty when none is named.
    static std::string NamedDisplay();

    // Connects to the display and makes every window created after it appear there with SDL's
    // X11 driver, as on a user's desktop. False (with a reason) when the server cannot be reached
    // or lacks the XTest extension.
    bool Open(const std::string& display, std::string* reason);

    // Input as the server delivers it to the window under the pointer.
    void MovePointer(POINT screen);
    void Click(POINT screen, unsigned int button = 1);  // press and release (1 left, 3 right) at the point
    void LeftButton(bool down);  // where the pointer is
    // The pointer moved by an offset, as a mouse moves it (pointer barriers hold it back).
    void MovePointerBy(int dx, int dy);
    void Key(unsigned long keysym);  // press and release (XK_ names from <X11/keysym.h>)
    // The key pressed and released while the modifier (XK_Alt_L, say) is held.
    void KeyWith(unsigned long modifier, unsigned long keysym);

    // The mapped top-level windows, from the bottom of the stack to its top.
    std::vector<ShownWindow> Windows();
    // The window that has the keyboard (0 when none has).
    unsigned long Focus();
    // The first picture of the icon that a window hands the desktop (_NET_WM_ICON), as straight
    // ARGB words; an empty picture when it has none.
    platform::user::Picture Icon(unsigned long window);
    void Hold(unsigned long keysym, bool down);
    // Where the pointer is on the screen.
    POINT Pointer();

    // The pixels on screen inside a rectangle in screen coordinates, as opaque ARGB words.
    platform::user::Picture Grab(const RECT& screen);

private:
    void Flush();

    _XDisplay* m_display = nullptr;
};

}  // namespace xserver_test
