// The layer's own record of every window, shared by the window functions, the message queue, the
// input router, the compositor and the display host. Not for the program's code.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/user/surface.h"
#include "platform/user/window.h"

namespace platform::user::detail {

// A window class: its class style and the procedure of its windows (null: DefWindowProc).
struct WindowClass {
    UINT style = 0;
    WNDPROC proc = nullptr;
};
// The class of that name (case ignored); the generic class (no style, DefWindowProc) for a null
// or unknown name.
WindowClass FindWindowClass(LPCSTR name);

// What a built-in control keeps of its own, made by its class procedure on first use.
struct ControlState {
    virtual ~ControlState() = default;
};

struct Node {
    HWND hwnd = nullptr;
    HWND parent = nullptr;
    std::vector<HWND> children;  // z-order, bottom first
    UINT classStyle = 0;
    WNDPROC classProc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    int id = 0;
    std::string text;
    RECT rect{};  // window rectangle: parent client coordinates, or screen for a top-level window
    RECT restoreRect{};
    bool minimized = false;
    bool maximized = false;
    WNDPROC proc = nullptr;  // where messages go: the class procedure, or an attached object's (null: DefWindowProc)
    LONG_PTR userData = 0;
    std::thread::id thread;
    bool destroying = false;

    std::vector<std::uint32_t> pixels;
    Surface surface;
    RECT update{};
    bool updateEmpty = true;
    // When the update region last became non-empty (a running count): the window that has waited
    // longest is painted first, so a window that invalidates itself on every paint never keeps
    // the others from theirs.
    std::uint64_t updateSince = 0;
    bool updateErase = false;
    RECT paintRect{};  // what the current paint covers (for WM_ERASEBKGND)
    // A top-level window's: what changed since its last presentation (rectangles of its picture,
    // window coordinates), and the picture last presented where it is not composed straight into
    // the display window's pixels.
    std::vector<RECT> damage;
    Picture presented;
    // A top-level window's: where pictures of its descendants were written straight into its
    // display window's pixels since its last presentation (window coordinates); shown as they are.
    std::vector<RECT> written;
    // A window whose picture was written straight into its top-level window's display pixels:
    // where it lies there (window coordinates of the top-level window). Its surface does not hold
    // that picture; it takes it back from there before anything reads, writes or composes over it.
    std::optional<RECT> onDisplay;
    std::optional<RECT> writing;  // where a picture is being written straight to the display
    // Whether every pixel of the surface is opaque, once the compositor found out; unknown again
    // after each change.
    mutable std::optional<bool> opaque;
    std::optional<std::chrono::steady_clock::duration> lastPaint;  // of a paint taken from the queue

    HCURSOR cursor = nullptr;
    HMENU systemMenu = nullptr;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;

    std::unique_ptr<ControlState> control;

    void* host = nullptr;  // the display host's window of a top-level window
};

// The control state of the window's class procedure, made on first use. Each class procedure
// keeps one kind of state. The caller holds TreeMutex.
template <class State>
State& ControlStateOf(Node& n)
{
    if (!n.control) n.control = std::make_unique<State>();
    return static_cast<State&>(*n.control);
}

// Rectangles (right and bottom outside), as the layer's files use them.
bool IsEmpty(const RECT& r);
RECT Intersection(const RECT& a, const RECT& b);  // empty rectangles come out as all zeros
RECT Bounds(const RECT& a, const RECT& b);
bool Contains(const RECT& outer, const RECT& inner);
RECT Offset(const RECT& r, LONG dx, LONG dy);
// A window without a parent, or one owned rather than contained (a popup).
bool IsTopLevel(const Node& n);

// Guards the tree. Held only briefly: never while a window procedure runs.
std::recursive_mutex& TreeMutex();
// The window's pixels inside rect (client coordinates; null: all) differ from what was last
// presented; what of them its ancestors show becomes damage of its top-level window. The caller
// holds TreeMutex.
void NoteChanged(Node& n, const RECT* rect = nullptr);
// What the window covers (its window rectangle in its parent, or a top-level window's whole
// picture) is to be composed again: it moves, shows, hides, changes its place among its siblings
// or goes. The caller holds TreeMutex.
void NoteCovered(Node& n);
// A descendant's picture was written straight into the top-level window's display pixels at r
// (window coordinates): it is shown at the next presentation, which is due as for any change. The
// caller holds TreeMutex.
void NoteWrittenToDisplay(Node& top, const RECT& r);
// When the oldest change not yet presented was made (none: nothing changed); with take, the
// changes count as presented from now. The caller holds TreeMutex.
std::optional<std::chrono::steady_clock::time_point> TakeChangedSince(bool take);
// The node, or null for a handle that is not a live window. The caller holds TreeMutex.
Node* Find(HWND hwnd);
// Top-level windows in creation order. The caller holds TreeMutex.
std::vector<HWND> TopLevelWindows();
// Enters a new window into the tree, as its parent's topmost child or as a top-level window, and
// takes it out again. The caller holds TreeMutex.
void AddNode(std::unique_ptr<Node> node);
std::unique_ptr<Node> RemoveNode(HWND hwnd);
HWND RootOf(HWND hwnd);
int BorderOf(const Node& n);
RECT ClientRectOf(const Node& n);  // client coordinates
POINT ClientOriginOnScreen(HWND hwnd);
bool VisibleChain(HWND hwnd);

// Calls the window's procedure on this thread (no thread check); 0 for a dead window.
LRESULT CallProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window's own procedure or its class's (which: &Node::proc or &Node::classProc), or
// DefWindowProc where there is none; 0 for a dead window.
LRESULT CallThrough(WNDPROC Node::*which, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The visible window owned by this thread whose update region has been non-empty longest; null
// when none.
HWND FindPaintTarget(HWND filter);
// A due timer of this thread's windows as a WM_TIMER message; with remove the timer's next due
// time is set. Timers with a procedure are called by DispatchMessage.
bool TakeDueTimer(HWND filter, MSG* msg, bool remove);
// Milliseconds until the next timer is due (INFINITE: none).
DWORD MsUntilNextTimer();
void DropTimersOf(HWND hwnd);

// Presents the changed windows when a presentation is due (compositor.cpp): before a paint that
// may be slow (nextPaint: the window about to paint, null when no paint comes next), and when the
// oldest change has waited a few milliseconds.
void PresentIfDue(HWND nextPaint);

// Sent messages from other threads waiting for this thread; served by the queue.
void ServeSentMessages();
// Queues an input record (input.h) behind what is queued already.
void QueueInput(const MSG& record);

// The display host (SDL): windows of their own for top-level windows, events, presentation.
void HostCreate(Node& n);
void HostDestroy(Node& n);
void HostSyncGeometry(Node& n);
void HostSyncShow(Node& n);
void HostSetTitle(Node& n);
// Hands the window's big icon (else its small one) to the display, for the desktop to show.
void HostSetIcon(Node& n);
// Hands the parts of the picture to the display (window coordinates); whole: the display has none
// of it yet. A display window whose surface is new gets the whole picture anyway.
void HostPresent(Node& n, const Picture& picture, const std::vector<RECT>& parts, bool whole);
// The display window's own pixels as a surface to compose the picture into (window coordinates),
// where they take the picture's pixels as they are; false otherwise (HostPresent converts then).
// fresh: they are new and hold nothing of the picture yet.
bool HostFramebuffer(Node& n, Surface* pixels, bool* fresh);
// Shows the parts (window coordinates) composed into the display window's pixels.
void HostShowFramebuffer(Node& n, const std::vector<RECT>& parts);
// The display window's own pixels as they were last composed into (HostFramebuffer), without
// asking the display for them again: false when there are none or the display has given up on
// them since. alphaUsed: whether the display reads the pixels' top byte.
bool HostKeptFramebuffer(Node& n, Surface* pixels, bool* alphaUsed);
// What the display window shows now, as the picture was handed to it; false without one.
bool HostShownPicture(Node& n, Picture* out);
// Turns the host's pending events into input for the window tree; true when any arrived.
bool HostPumpEvents();
bool HostHasWindows();
bool HostIsHeadless();
bool HostUsableBounds(RECT* bounds);
void HostSetCursor(HCURSOR cursor);

void ResizeSurface(Node& n);
// Pictures written straight into the display (direct_picture.cpp). The caller holds TreeMutex.
// The window's surface takes back its picture from the display, where one lies there; where the
// display no longer holds it, the window is invalidated to paint it again.
void TakeBackPicture(Node& n);
// The same for every window of the tree whose picture lies in the display inside any of the
// areas (window coordinates of the top-level window; all: none is left there).
void TakeBackPictures(Node& top, const std::vector<RECT>* areas);
// Before the display is asked for its pixels of the tree again, which it makes anew when the
// top-level window's size has changed: every picture lying there is taken back while it can be.
void KeepPicturesThroughResize(Node& top);
// The display's pixels of the tree are new: what was written there is gone; those windows paint
// again.
void LosePictures(Node& top);
void OnWindowDestroyed(HWND hwnd);
void InvalidateNode(Node& n, const RECT* rect, bool erase);
// Whether a message sent from another thread waits for this thread.
bool HasSentMessages();
// Hands the message to the window's thread (owner) and waits until that thread has handled it.
LRESULT SendAcrossThreads(HWND hwnd, std::thread::id owner, UINT message, WPARAM wParam, LPARAM lParam);
// Wakes a thread waiting in GetMessage (message_queue.cpp).
void WakeQueue();

// The class library attaches its window object before the first message of a new window: the
// hook runs inside CreateWindowExA on the creating thread, right after the handle exists.
using AttachHook = void (*)(HWND hwnd, void* object);
void SetPendingAttach(AttachHook hook, void* object);
// Called by CreateWindowExA: runs the pending hook of this thread, once.
void RunPendingAttach(HWND hwnd);
// Where the window's messages go from now on (null: back to its class procedure).
void SetWindowProc(HWND hwnd, WNDPROC proc);
// The class style of the window's class; 0 for a dead window.
UINT ClassStyleOf(HWND hwnd);
// Fills a rectangle of the window's surface (null: all) with one pixel value.
void FillSurface(HWND hwnd, const RECT* rect, std::uint32_t pixel);
// Fills what the current paint covers (the whole client area outside a paint) with one pixel.
void ErasePaintArea(HWND hwnd, std::uint32_t pixel);
// Moves and sizes a window (r in its parent's client coordinates, or the screen's), sending
// WM_SIZE (of that kind) and WM_MOVE as they apply; repaint invalidates it even unsized.
void ApplyRect(HWND hwnd, RECT r, bool repaint, UINT sizeKind);

}  // namespace platform::user::detail
