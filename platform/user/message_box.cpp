// Message boxes: SDL's on a real display; headless, the default button at once.
#include <SDL.h>

#include <vector>

#include "platform/user/input.h"
#include "platform/user/window.h"
#include "platform/user/window_tree.h"

namespace {

struct Choice {
    int id;
    const char* text;
};

std::vector<Choice> buttonsOf(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_YESNOCANCEL: return {{IDYES, "Yes"}, {IDNO, "No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO: return {{IDYES, "Yes"}, {IDNO, "No"}};
    default: return {{IDOK, "OK"}};
    }
}

}  // namespace

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    platform::user::input::EnterModalLoop();
    auto buttons = buttonsOf(type);
    std::size_t defaultIndex = std::min<std::size_t>((type & MB_DEFMASK) >> 8, buttons.size() - 1);
    if (platform::user::detail::HostIsHeadless()) return buttons[defaultIndex].id;
    std::vector<SDL_MessageBoxButtonData> data;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        Uint32 flags = i == defaultIndex ? SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT : 0;
        if (buttons[i].id == IDCANCEL || (buttons.size() == 1)) flags |= SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
        data.push_back(SDL_MessageBoxButtonData{flags, buttons[i].id, buttons[i].text});
    }
    UINT icon = type & 0xF0u;
    SDL_MessageBoxData box{};
    box.flags = icon == MB_ICONERROR ? SDL_MESSAGEBOX_ERROR : icon == MB_ICONWARNING ? SDL_MESSAGEBOX_WARNING : SDL_MESSAGEBOX_INFORMATION;
    box.title = caption ? caption : "";
    box.message = text ? text : "";
    box.numbuttons = static_cast<int>(data.size());
    box.buttons = data.data();
    (void)owner;  // an SDL message box of its own: the owner stays as it is
    int chosen = buttons[defaultIndex].id;
    if (SDL_ShowMessageBox(&box, &chosen) != 0 || chosen < 0) return buttons[defaultIndex].id;
    return chosen;
}

int AfxMessageBox(LPCSTR text, UINT type, UINT)
{
    return MessageBox(GetActiveWindow(), text, "", type);
}
