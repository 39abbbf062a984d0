// Termination signals as a Windows program meets a logout: SIGTERM (a logout, `kill`), SIGINT
// (Ctrl+C in the terminal) and SIGHUP (the terminal went away) close a window as its close button
// does, so that the program ends the way it always does, and end every modal loop that runs
// meanwhile (WM_QUIT, posted after the close); a second signal ends the process at once, as the
// signal's default action would.
#pragma once

#include "platform/user/window.h"

// Takes the three signals for the process from now on (once). FALSE when they could not be taken.
BOOL TakeTerminationSignals();

// The window a signal closes (WM_CLOSE posted to it); NULL: none. A signal that comes while there
// is no window is kept and closes the next window named. Without TakeTerminationSignals the
// signals keep their default action and this only names the window.
void CloseWindowOnTerminationSignals(HWND window);
