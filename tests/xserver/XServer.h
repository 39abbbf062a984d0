// The X server that the tests of the real windows run on. scripts/test starts two (Xvfb): a bare
// one, named in VANTREL_XSERVER_DISPLAY, and one with a window manager (openbox), named in
// VANTREL_XSERVER_WM_DISPLAY, where the tests run again with VANTREL_XSERVER_UNDER_WM set; the
// tests never use the desktop's own DISPLAY. Windows are shown through SDL's X11 video driver,
// input goes through the server (XTest) as a user's would, and the screen is read back from the
// server, so the tests see what a user sees.
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

    // The display the tests run on (with the window manager under VANTREL_XSERVER_UNDER_WM), or
    // empty when none is named.
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

    // The mapped top-level windows, from the bottom of the stack to its top: the programs' own
    // windows, also where a window manager holds them in frames of its own.
    std::vector<ShownWindow> Windows();
    // Whether a window manager runs on the server.
    bool HasWindowManager();
    // A window of another program (this test's own connection), shown with the title at the
    // rectangle. One that takes the keyboard gets it from a window manager as any new window
    // does; one that does not (as a clock or a pair of eyes) leaves the keyboard where it is.
    unsigned long OpenOtherProgramsWindow(const RECT& screen, const std::string& title, bool takesKeyboard);
    // Brings the window to the front with the keyboard, as a task bar does: asks the window
    // manager, or gives it the keyboard itself where none runs.
    void Activate(unsigned long window);
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
