#include "platform/user/menu.h"

#include <SDL.h>

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
    platform::user::MenuChooser chooser = nullptr;
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
    m.items[h] = {{MF_STRING, SC_RESTORE, "Restore"},
                  {MF_STRING, SC_MOVE, "Move"},
                  {MF_STRING, SC_MINIMIZE, "Minimize"},
                  {MF_STRING, SC_MAXIMIZE, "Maximize"},
                  {MF_SEPARATOR, 0, ""},
                  {MF_STRING, SC_CLOSE, "Close"}};
    return h;
}

UINT_PTR chooseWithMessageBox(HWND owner, const std::vector<platform::user::MenuItem>& items)
{
    if (platform::user::detail::HostIsHeadless()) return 0;
    std::vector<SDL_MessageBoxButtonData> buttons;
    for (const auto& item : items) {
        if (item.flags & (MF_SEPARATOR | MF_GRAYED)) continue;
        buttons.push_back(SDL_MessageBoxButtonData{0, static_cast<int>(item.id), item.text.c_str()});
    }
    if (buttons.empty()) return 0;
    SDL_MessageBoxData data{};
    data.flags = SDL_MESSAGEBOX_INFORMATION;
    char title[256] = "";
    GetWindowText(owner, title, sizeof title);
    data.title = title;
    data.message = "";
    data.numbuttons = static_cast<int>(buttons.size());
    data.buttons = buttons.data();
    int chosen = 0;
    if (SDL_ShowMessageBox(&data, &chosen) != 0 || chosen < 0) return 0;
    return static_cast<UINT_PTR>(chosen);
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

UINT_PTR ChooseMenuItem(HWND owner, HMENU menu)
{
    MenuChooser chooser;
    {
        Menus& m = menus();
        std::lock_guard lock(m.mutex);
        chooser = m.chooser;
    }
    auto items = GetMenuItems(menu);
    return chooser ? chooser(owner, items) : chooseWithMessageBox(owner, items);
}

void SetMenuChooser(MenuChooser chooser)
{
    Menus& m = menus();
    std::lock_guard lock(m.mutex);
    m.chooser = chooser;
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
