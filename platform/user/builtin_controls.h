// The built-in control classes of the window layer ("Static", "Button", "ComboBox", the dialog
// class "#32770" and the popup menu class "#32768"): each class procedure keeps the state of its own windows, and what they
// share in painting and telling their parent. Not for the program's code.
#pragma once

#include "platform/user/gdi_bridge.h"
#include "platform/user/window_tree.h"

namespace platform::user::detail {

LRESULT StaticProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ButtonProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ComboBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT MenuProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Sends the parent WM_COMMAND with the control's id and the notification code.
void NotifyParent(HWND hwnd, UINT code);
// The window's text as it stands.
std::string WindowText(HWND hwnd);

// What an owner-drawn control asks its parent to draw (WM_DRAWITEM).
struct OwnerDrawItem {
    UINT ctlType = 0;
    UINT itemId = 0;
    UINT_PTR itemData = 0;
    UINT itemState = 0;  // ODS_SELECTED, ODS_CHECKED; disabled and focus are added here
};

// Paints a built-in control: an owner-drawn one through its parent, the others in their class's
// standard look through the drawing layer.
void PaintOwnerDrawn(HWND hwnd, const OwnerDrawItem& item);
void PaintStandardLook(HWND hwnd, const ControlLook& look);

}  // namespace platform::user::detail
