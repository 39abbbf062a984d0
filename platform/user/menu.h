// Menus: the system menu of a top-level window and the class library's CMenu over it.
#pragma once

#include <string>
#include <vector>

#include "platform/user/window.h"

namespace platform::user {

struct MenuItem {
    UINT flags = MF_STRING;
    UINT_PTR id = 0;
    std::string text;
};

// The items of a menu (empty for an unknown handle).
std::vector<MenuItem> GetMenuItems(HMENU menu);

// Lets the user choose one of the items from a popup list of the layer's own, with its top-left
// corner at the screen point (moved in where the list would leave the screen): a click or Enter
// on an item, or the letter after its '&', chooses it; Esc, a press outside the list (on any
// window, of this program or another, or on the desktop) or its owner losing the activation
// closes it.
// Runs a message loop of its own until then, in which every other message is handled as usual
// and the thread's key and mouse input goes to the list. Returns the chosen item's id, 0 when
// none was chosen (or none could be).
UINT_PTR ChooseMenuItem(HWND owner, const std::vector<MenuItem>& items, POINT screen);

// Opens the top-level window's system menu at the screen point, its items that do not apply to
// the window's style or show state greyed, and posts the window the chosen command (WM_SYSCOMMAND).
void ShowSystemMenu(HWND topLevel, POINT screen);

}  // namespace platform::user

class CMenu;
namespace platform::user {
// The permanent menu object of a handle, owned by the layer; null for a null handle.
CMenu* MenuObject(HMENU menu);
}  // namespace platform::user

// The class library's menu object over a menu handle.
class CMenu {
public:
    CMenu() = default;
    explicit CMenu(HMENU menu) : m_hMenu(menu) {}
    BOOL AppendMenu(UINT flags, UINT_PTR id = 0, LPCSTR text = nullptr) { return ::AppendMenu(m_hMenu, flags, id, text); }
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    HMENU GetSafeHmenu() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }

    HMENU m_hMenu = nullptr;
};
