// Mouse and keyboard input entering the window tree, as the display delivers it. The display host
// calls these for its events; tests call them to act as the user. Call them on the user-interface
// thread. The input waits in the message queue in one line with the posted messages, each in the
// order it came (on Windows posted messages pass input that waits; here neither passes the other),
// and turns into messages only when its turn comes: where it goes (capture, focus, the window under
// the cursor kept inside the ClipCursor rectangle) and GetKeyState follow the messages handled
// before it, however late that is, as on Windows. GetAsyncKeyState follows the input as it comes.
#pragma once

#include <vector>

#include "platform/user/user_types.h"

namespace platform::user::input {

enum class Button { Left, Right, Middle };

// The cursor moves to a screen point.
void MouseMove(POINT screen);
void MouseButton(POINT screen, Button button, bool down);
// delta in WHEEL_DELTA units (120 a notch), positive away from the user.
void MouseWheel(POINT screen, int delta, bool horizontal = false);
// A key by virtual-key code (VK_CONTROL and VK_MENU for the modifier keys).
void Key(int virtualKey, bool down);
// The cursor left every window of the layer.
void MouseLeftDisplay();

// The window that would take mouse input at a screen point: the deepest visible, enabled window
// under it whose WM_NCHITTEST does not answer HTTRANSPARENT; the hit-test code through hitTest.
HWND WindowAtScreenPoint(POINT screen, int* hitTest);

// Used by the window functions.
// The message number of the queue's input records; no window ever gets one.
constexpr UINT kInputRecord = 0x10001;
// The messages that a record makes now that its turn has come, in order (none when it reaches no
// window); sent messages (hit tests, cursor requests, activation) are handled on the way.
void TakeInput(const MSG& record, std::vector<MSG>* out);
// Whether a record is being taken: until its messages are queued no other record is taken, so
// that a loop run by a handler of those sent messages takes no input before that record's own
// (a modal loop drops that record instead: EnterModalLoop).
bool TakingInput();
// Where the display should bring the pointer back to: it is outside the ClipCursor rectangle set
// during a left press, and that press is still held as the display last reported. Once told, the
// pointer counts as there.
bool PointerToHold(POINT* to);
// A modal loop is about to run (a menu, a dialog, a message box, a window being moved): what the
// mouse was doing ends first, as on Windows. The window it was busy with (the capture's, else the
// one that took the left press still held) gets WM_CANCELMODE; the capture and the cursor's
// confinement are released and a window being moved stays where it is. A record being taken is
// dropped, so that the loop takes the input after it.
void EnterModalLoop();
// The window follows the cursor until the left button is released: the one pressed on its
// caption (byPress), or that of the next click (a move chosen from the system menu).
void BeginMoveDrag(HWND topLevel, bool byPress);
void ForgetWindow(HWND hwnd);
void ForgetWindowTree(HWND hwnd);

}  // namespace platform::user::input
