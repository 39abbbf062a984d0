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

// Lets the user pick a command of the menu: on a real display a message box with one button per
// enabled item; headless nothing is chosen. Returns the item's id, 0 when none was chosen.
UINT_PTR ChooseMenuItem(HWND owner, HMENU menu);

// Replaces the way a menu item is chosen (tests act as the user); null restores the default.
using MenuChooser = UINT_PTR (*)(HWND owner, const std::vector<MenuItem>& items);
void SetMenuChooser(MenuChooser chooser);

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
