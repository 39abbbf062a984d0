// The dialog class: closing asks for IDCANCEL, and the background is the button face or the
// brush the dialog's WM_CTLCOLORDLG gives.
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
    default:
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
}

}  // namespace platform::user::detail
