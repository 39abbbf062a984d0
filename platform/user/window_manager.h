// What the desktop's window manager does to a top-level window on its own, as the display reports
// it. The window takes the show state and the activation, with the messages that Windows sends
// the program in that case. The display host calls these for its events; tests call them to act
// as the window manager. Call them on the user-interface thread. A report of what the window
// already is (the echo of the layer's own change) changes nothing.
#pragma once

#include "platform/user/user_types.h"

namespace platform::user::window_manager {

// Iconified: IsIconic, WM_SIZE with SIZE_MINIMIZED.
void Minimized(HWND topLevel);
// Back from iconified, to maximised or restored as it was before: WM_SIZE with SIZE_MAXIMIZED or
// SIZE_RESTORED.
void Unminimized(HWND topLevel);
// IsZoomed, WM_SIZE with SIZE_MAXIMIZED. The window manager gives the size itself, as it gives
// every size and place of the window.
void Maximized(HWND topLevel);
// Back from maximised: WM_SIZE with SIZE_RESTORED.
void Unmaximized(HWND topLevel);
// Given the keyboard: WM_NCACTIVATE and WM_ACTIVATE, unless it is disabled (a modal dialog of its
// own keeps the activation then).
void Activated(HWND topLevel);
// The keyboard went to another program, or to none: the active window gets WM_NCACTIVATE and
// WM_ACTIVATE with WA_INACTIVE, and none of the program's windows is active.
void Deactivated();

}  // namespace platform::user::window_manager
