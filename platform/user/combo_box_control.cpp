// The combo box: its list of items with their data and the current selection; its field shows
// the selected item, drawn in the standard look or by its owner.
#include <cstring>
#include <optional>

#include "platform/user/builtin_controls.h"

namespace platform::user::detail {

namespace {

struct ComboItem {
    std::string text;
    UINT_PTR data = 0;
};

struct ComboState : ControlState {
    std::vector<ComboItem> items;
    int curSel = -1;
    int itemHeight = 16;
};

// Answers a message about the list from the state (none for other messages); the caller holds
// TreeMutex.
std::optional<LRESULT> listMessage(ComboState& s, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto validIndex = [&s](WPARAM i) { return static_cast<std::size_t>(i) < s.items.size(); };
    auto textOf = [](LPARAM text) { return std::string(text ? reinterpret_cast<LPCSTR>(text) : ""); };
    switch (message) {
    case CB_ADDSTRING:
        s.items.push_back(ComboItem{textOf(lParam), 0});
        return static_cast<LRESULT>(s.items.size() - 1);
    case CB_INSERTSTRING: {
        auto at = static_cast<int>(wParam) < 0 || wParam > s.items.size() ? s.items.size() : wParam;
        s.items.insert(s.items.begin() + static_cast<std::ptrdiff_t>(at), ComboItem{textOf(lParam), 0});
        return static_cast<LRESULT>(at);
    }
    case CB_DELETESTRING:
        if (!validIndex(wParam)) return CB_ERR;
        s.items.erase(s.items.begin() + static_cast<std::ptrdiff_t>(wParam));
        return static_cast<LRESULT>(s.items.size());
    case CB_RESETCONTENT:
        s.items.clear();
        s.curSel = -1;
        return 0;
    case CB_GETCOUNT:
        return static_cast<LRESULT>(s.items.size());
    case CB_GETCURSEL:
        return s.curSel;
    case CB_SETCURSEL:
        s.curSel = validIndex(wParam) ? static_cast<int>(wParam) : -1;
        return s.curSel < 0 ? CB_ERR : s.curSel;
    case CB_GETLBTEXT:
        if (!validIndex(wParam) || lParam == 0) return CB_ERR;
        std::strcpy(reinterpret_cast<char*>(lParam), s.items[wParam].text.c_str());
        return static_cast<LRESULT>(s.items[wParam].text.size());
    case CB_GETLBTEXTLEN:
        return validIndex(wParam) ? static_cast<LRESULT>(s.items[wParam].text.size()) : CB_ERR;
    case CB_GETITEMDATA:
        return validIndex(wParam) ? static_cast<LRESULT>(s.items[wParam].data) : CB_ERR;
    case CB_SETITEMDATA:
        if (!validIndex(wParam)) return CB_ERR;
        s.items[wParam].data = static_cast<UINT_PTR>(lParam);
        return 0;
    case CB_SETITEMHEIGHT:
        s.itemHeight = static_cast<int>(lParam);
        return 0;
    case CB_GETITEMHEIGHT:
        return s.itemHeight;
    default:
        return std::nullopt;
    }
}

void paint(HWND hwnd, DWORD style)
{
    OwnerDrawItem item{ODT_COMBOBOX};
    ControlLook look;
    look.kind = ControlLook::Kind::ComboField;
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return;
        const ComboState& s = ControlStateOf<ComboState>(*n);
        item.itemId = static_cast<UINT>(s.curSel);
        if (s.curSel >= 0) {
            item.itemData = s.items[static_cast<std::size_t>(s.curSel)].data;
            look.text = s.items[static_cast<std::size_t>(s.curSel)].text;
        }
    }
    if (style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE)) PaintOwnerDrawn(hwnd, item);
    else PaintStandardLook(hwnd, look);
}

}  // namespace

LRESULT ComboBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        paint(hwnd, static_cast<DWORD>(GetWindowLong(hwnd, GWL_STYLE)));
        return 0;
    }
    {
        std::lock_guard lock(TreeMutex());
        Node* n = Find(hwnd);
        if (n == nullptr) return 0;
        if (std::optional<LRESULT> r = listMessage(ControlStateOf<ComboState>(*n), message, wParam, lParam)) return *r;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

}  // namespace platform::user::detail
