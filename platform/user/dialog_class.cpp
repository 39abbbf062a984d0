// The dialog class: closing asks for IDCANCEL, and the background is the button face or the
// brush the dialog's WM_CTLCOLORDLG gives, erased even where the dialog paints nothing itself.
#include "platform/user/builtin_controls.h"
#include "platform/user/surface.h"

namespace platform::user::detail {

namespace {

// A hollow brush erases nothing.
void eraseBackground(HWND hwnd, HDC dc)
{
    COLORREF color = GetSysColor(COLOR_BTNFACE);
    auto brush = reinterpret_cast<HBRUSH>(SendMessage(hwnd, WM_CTLCOLORDLG, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd)));
    const GdiBridge& b = GetGdiBridge();
    COLORREF chosen;
    if (brush != nullptr && b.solidBrushColor != nullptr) {
        if (!b.solidBrushColor(brush, &chosen)) return;
        color = chosen;
    }
    ErasePaintArea(hwnd, OpaquePixel(color));
}

// A dialog that paints nothing itself still has its background erased where that was asked for,
// as a paint context would.
void paintBackground(HWND hwnd)
{
    BOOL erase = FALSE;
    if (!TakeUpdateRegion(hwnd, nullptr, &erase) || !erase) return;
    const GdiBridge& b = GetGdiBridge();
    HDC dc = b.getWindowDC ? b.getWindowDC(hwnd) : nullptr;
    SendMessage(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    if (dc && b.releaseWindowDC) b.releaseWindowDC(hwnd, dc);
}

}  // namespace

LRESULT DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        SendMessage(hwnd, WM_COMMAND, IDCANCEL, 0);
        return 0;
    case WM_ERASEBKGND:
        eraseBackground(hwnd, reinterpret_cast<HDC>(wParam));
        return 1;
    case WM_PAINT:
        paintBackground(hwnd);
        return 0;
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

}  // namespace platform::user::detail
