#include "platform/user/menu.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/user/window_tree.h"

namespace {

struct Menus {
    std::mutex mutex;
    std::map<HMENU, std::vector<platform::user::MenuItem>> items;
    std::map<HMENU, std::unique_ptr<CMenu>> objects;
    std::uintptr_t next = 0x20000;
};

Menus& menus()
{
    static Menus* m = new Menus;
    return *m;
}

HMENU newSystemMenu()
{
    Menus& m = menus();
    std::lock_guard lock(m.mutex);
    HMENU h = reinterpret_cast<HMENU>(m.next);
    m.next += 0x10;
    m.items[h] = {{MF_STRING, SC_RESTORE, "&Restore"},
                  {MF_STRING, SC_MOVE, "&Move"},
                  {MF_STRING, SC_MINIMIZE, "Mi&nimize"},
                  {MF_STRING, SC_MAXIMIZE, "Ma&ximize"},
                  {MF_SEPARATOR, 0, ""},
                  {MF_STRING, SC_CLOSE, "&Close"}};
    return h;
}

// Restore applies to a minimised or maximised window, Move to one that is not maximised; Minimize
// and Maximize to one with that box in its style (its title bar would show the box) that is not
// minimised, or maximised, already.
bool applies(UINT_PTR command, HWND window)
{
    const bool minimised = IsIconic(window), maximised = IsZoomed(window);
    const auto style = static_cast<DWORD>(GetWindowLong(window, GWL_STYLE));
    switch (command) {
    case SC_RESTORE: return minimised || maximised;
    case SC_MOVE: return !maximised;
    case SC_MAXIMIZE: return (style & WS_MAXIMIZEBOX) && !maximised;
    case SC_MINIMIZE: return (style & WS_MINIMIZEBOX) && !minimised;
    default: return true;
    }
}

}  // namespace

namespace platform::user {

std::vector<MenuItem> GetMenuItems(HMENU menu)
{
    Menus& m = menus();
    std::lock_guard lock(m.mutex);
    auto it = m.items.find(menu);
    return it == m.items.end() ? std::vector<MenuItem>{} : it->second;
}

void ShowSystemMenu(HWND topLevel, POINT screen)
{
    if (topLevel == nullptr) return;
    std::vector<MenuItem> items = GetMenuItems(GetSystemMenu(topLevel, FALSE));
    for (MenuItem& item : items)
        if (!applies(item.id, topLevel)) item.flags |= MF_GRAYED;
    UINT_PTR chosen = ChooseMenuItem(topLevel, items, screen);
    if (chosen != 0) PostMessage(topLevel, WM_SYSCOMMAND, chosen, 0);
}

}  // namespace platform::user

HMENU GetSystemMenu(HWND hwnd, BOOL revert)
{
    HMENU existing;
    {
        std::lock_guard lock(platform::user::detail::TreeMutex());
        auto* n = platform::user::detail::Find(hwnd);
        if (n == nullptr || (n->style & WS_CHILD)) return nullptr;
        existing = n->systemMenu;
    }
    if (revert) {
        if (existing) DestroyMenu(existing);
        std::lock_guard lock(platform::user::detail::TreeMutex());
        if (auto* n = platform::user::detail::Find(hwnd)) n->systemMenu = nullptr;
        return nullptr;
    }
    if (existing) return existing;
    HMENU made = newSystemMenu();
    std::lock_guard lock(platform::user::detail::TreeMutex());
    if (auto* n = platform::user::detail::Find(hwnd)) n->systemMenu = made;
    return made;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text)
{
    Menus& m = menus();
    std::lock_guard lock(m.mutex);
    auto it = m.items.find(menu);
    if (it == m.items.end()) return FALSE;
    it->second.push_back(platform::user::MenuItem{flags, id, text ? text : ""});
    return TRUE;
}

int GetMenuItemCount(HMENU menu)
{
    Menus& m = menus();
    std::lock_guard lock(m.mutex);
    auto it = m.items.find(menu);
    return it == m.items.end() ? -1 : static_cast<int>(it->second.size());
}

BOOL DestroyMenu(HMENU menu)
{
    Menus& m = menus();
    std::lock_guard lock(m.mutex);
    m.objects.erase(menu);
    return m.items.erase(menu) ? TRUE : FALSE;
}

namespace platform::user {
// The permanent CMenu of a menu handle (CWnd::GetSystemMenu hands it out).
CMenu* MenuObject(HMENU menu)
{
    if (menu == nullptr) return nullptr;
    Menus& m = menus();
    std::lock_guard lock(m.mutex);
    auto& slot = m.objects[menu];
    if (!slot) slot = std::make_unique<CMenu>(menu);
    return slot.get();
}
}  // namespace platform::user
