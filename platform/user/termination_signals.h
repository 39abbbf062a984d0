// Termination signals as a Windows program meets a logout: SIGTERM (a logout, `kill`), SIGINT
// (Ctrl+C in the terminal) and SIGHUP (the terminal went away) close a window as its close button
// does, so that the program ends the way it always does; a second signal ends the process at once,
// as the signal's default action would.
#pragma once

#include "platform/user/window.h"

// Installs the signal handlers (once) and makes `window` the one that a signal closes (WM_CLOSE
// posted to it); NULL: none. A signal that comes while there is no window is kept and closes the
// next window set. FALSE when the handlers could not be installed.
BOOL CloseWindowOnTerminationSignals(HWND window);
