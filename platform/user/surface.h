// Every window's pixels, its update region and the compositor that shows a window tree.
//
// Who owns what:
// - platform/user (this header) owns the surfaces: one per window, of the window's client size,
//   reallocated when the client size changes (before WM_SIZE is sent) and freed with the window.
//   It keeps each window's update region, sends WM_PAINT while it is not empty, composes a
//   top-level window's tree and presents it in its SDL window, and renders any window to pixels or
//   to a PNG file.
// - platform/gdi owns every device context: BeginPaint/EndPaint, GetDC/ReleaseDC, CPaintDC,
//   CClientDC, PAINTSTRUCT, and CWnd::GetDC/CWnd::ReleaseDC (declared in CWnd.h, defined by gdi).
//   BeginPaint takes the update region with TakeUpdateRegion, sends WM_ERASEBKGND when it asks for
//   erasing, and draws through a cairo image surface made over the window's Surface pixels; EndPaint
//   and ReleaseDC call MarkSurfaceChanged.
// - platform/wgl publishes an OpenGL child's frame at SwapBuffers: straight into the display's
//   pixels where the child is shown whole (BeginDirectPicture), else into the child's Surface
//   (direct writes followed by MarkSurfaceChanged).
//
// Threads: surfaces and their pixels belong to the user-interface thread. InvalidateRect,
// ValidateRect and MarkSurfaceChanged may be called from any thread.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/kernel/win_types.h"

namespace platform::user {

// Premultiplied 32-bit ARGB pixels, one native-endian uint32_t a pixel with alpha in the top byte:
// the layout of cairo's CAIRO_FORMAT_ARGB32. Rows run top to bottom, `stride` bytes apart (always
// a multiple of 4 and at least width * 4). A window's surface starts fully transparent (0); the
// compositor lays the tree over opaque black, so a child that leaves pixels transparent shows its
// parent through them. The layer clears an owner-drawn control's pixels before each WM_DRAWITEM,
// and DefWindowProc's WM_ERASEBKGND fills the rectangle being painted with the class background
// (dialogs: the button-face colour; controls and plain windows: transparent).
struct Surface {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;

    std::uint32_t* row(int y) const
    {
        return reinterpret_cast<std::uint32_t*>(reinterpret_cast<std::uint8_t*>(pixels) + static_cast<std::ptrdiff_t>(y) * stride);
    }
};

// The window's surface, sized to its client area; null for a handle that is not a live window.
// The pointer and the pixel address stay valid until the client size changes or the window is
// destroyed, so take it again in every WM_PAINT rather than keeping it. A window with an empty
// client area has a surface of 0 x 0 and null pixels.
Surface* GetWindowSurface(HWND hwnd);

// Takes the window's update region (the bounding rectangle, in client coordinates, of everything
// invalidated since the last paint) and empties it, as BeginPaint validates the window. `erase`
// (may be null) gets whether any invalidation since asked for the background to be erased.
// FALSE (and an empty rect) when nothing was invalid.
BOOL TakeUpdateRegion(HWND hwnd, RECT* update, BOOL* erase);

// The update region without emptying it (GetUpdateRect); FALSE when it is empty.
BOOL PeekUpdateRegion(HWND hwnd, RECT* update);

// The pixels inside `changed` (client coordinates; null: all) now differ from what was last
// presented; the compositor composes and shows again what of them can be seen at its next
// presentation of the window's top-level tree, and nothing else.
void MarkSurfaceChanged(HWND hwnd, const RECT* changed);

// As MarkSurfaceChanged for the whole surface, from a writer that has just filled every pixel of it
// with an opaque one (an OpenGL picture): the compositor then takes the window as opaque without
// looking at its pixels.
void MarkOpaqueSurfaceChanged(HWND hwnd);

// A writer about to fill the whole window with opaque pixels (an OpenGL picture) may write them
// straight into the display's pixels, where the window is shown, and so spare their copy through
// the window's surface. That needs the window visible and shown whole: no edge of an ancestor and
// no other window hides any of it, it has no visible child, it and its top-level window belong to
// this thread, and the top-level window was presented from the display window's own pixels.
// Where it can, `target` gets those pixels, of the window's client size; the writer fills every
// one of them with opaque pixels and then calls EndDirectPicture. `alphaUsed` tells whether the
// display reads their top byte: where it does not, it need not be set. False: write into the
// surface as usual.
bool BeginDirectPicture(HWND hwnd, Surface* target, bool* alphaUsed);
// With written, the picture written at BeginDirectPicture's target is the window's: it is shown at
// the next presentation, and the window's surface takes it back from the display before anything
// else reads, writes or composes over it (GetWindowSurface, RenderWindow, a window moving over it).
// Without, the writer wrote nothing there, and the window keeps the picture it had.
void EndDirectPicture(HWND hwnd, bool written);

// Copies a width x height picture into the window's surface at (0, 0), clipped to the surface,
// and marks it changed. `rgba` chooses the source byte order: false for premultiplied ARGB words as
// the Surface holds them, true for bytes R, G, B, A (glReadPixels with GL_RGBA/GL_UNSIGNED_BYTE),
// which are converted and premultiplied. `bottomUp` flips the rows (OpenGL's origin is the
// bottom-left corner). FALSE when hwnd is not a live window.
BOOL WriteSurfacePixels(HWND hwnd, const void* source, int width, int height, int sourceStride, bool rgba, bool bottomUp);

// A picture of a window with all its visible children composed over it (parent first, then children
// from bottom to top of the z-order, each clipped to its parent), in the window's client size.
// The pending paints of the window and its descendants are carried out first (as UpdateWindow).
// A hidden window is rendered all the same (its hidden children are not).
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // premultiplied ARGB, stride width * 4

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};
// FALSE when hwnd is not a live window.
BOOL RenderWindow(HWND hwnd, Picture* out);
// Renders as RenderWindow and writes the picture to a PNG file; FALSE when the window is not live or
// the file cannot be written.
BOOL RenderWindowToPng(HWND hwnd, const std::string& path);
// Writes any picture to a PNG file; FALSE on failure.
BOOL WritePictureToPng(const Picture& picture, const std::string& path);

// Composes again what changed in every top-level window of this thread (the parts of its picture
// that changed surfaces show, and where windows moved, showed, hid or went; all of it once its
// size changed) and presents those parts in its SDL window. Taking messages presents without
// being asked (PeekMessage, GetMessage, WaitMessage):
// when the queue runs empty, before a WM_PAINT of a window whose last paint was slow (20 ms or
// more), and once a change has waited 10 ms while messages keep coming; so a finished picture
// never waits for an idle queue, and quick paints in a row are shown together. A test may call it
// to present at once.
void PresentChangedWindows();

// What the display shows of a top-level window: the pixels last handed to its SDL window (the
// whole window, a frame included), read back from there. FALSE for a handle that is not a
// top-level window with an SDL window. For tests and measurements.
BOOL GetShownPicture(HWND topLevel, Picture* out);

// Told, on the presenting thread, of each top-level window whose picture has just been handed to
// the display (null: nobody). For measurements.
using PresentObserver = void (*)(HWND topLevel);
void SetPresentObserver(PresentObserver observer);

// A pixel value from a COLORREF, fully opaque.
inline std::uint32_t OpaquePixel(COLORREF c)
{
    return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (static_cast<std::uint32_t>(GetGValue(c)) << 8) |
           GetBValue(c);
}

}  // namespace platform::user
