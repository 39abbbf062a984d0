// What the built-in controls share: painting through their parent or the drawing layer, and
// telling their parent.
#include "platform/user/builtin_controls.h"
#include "platform/user/surface.h"

namespace platform::user::detail {

namespace {

// Paints the control afresh, transparent at first, with a device context of its surface.
template <class Draw>
void paintWith(HWND hwnd, Draw draw)
{
    TakeUpdateRegion(hwnd, nullptr, nullptr);
    FillSurface(hwnd, nullptr, 0);
    const GdiBridge& b = GetGdiBridge();
    HDC dc = b.getWindowDC ? b.getWindowDC(hwnd) : nullptr;
    draw(b, dc);
    if (dc && b.releaseWindowDC) b.releaseWindowDC(hwnd, dc);
    MarkSurfaceChanged(hwnd, nullptr);
}

}  // namespace

void NotifyParent(HWND hwnd, UINT code)
{
    HWND parent = GetParent(hwnd);
    if (parent == nullptr) return;
    SendMessage(parent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), static_cast<int>(code)), reinterpret_cast<LPARAM>(hwnd));
}

std::string WindowText(HWND hwnd)
{
    std::lock_guard lock(TreeMutex());
    Node* n = Find(hwnd);
    return n ? n->text : std::string();
}

void PaintOwnerDrawn(HWND hwnd, const OwnerDrawItem& item)
{
    paintWith(hwnd, [hwnd, &item](const GdiBridge&, HDC dc) {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = item.ctlType;
        dis.CtlID = static_cast<UINT>(GetDlgCtrlID(hwnd));
        dis.itemID = item.itemId;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = item.itemState;
        if (!IsWindowEnabled(hwnd)) dis.itemState |= ODS_DISABLED;
        if (GetFocus() == hwnd) dis.itemState |= ODS_FOCUS;
        dis.hwndItem = hwnd;
        dis.hDC = dc;
        GetClientRect(hwnd, &dis.rcItem);
        dis.itemData = item.itemData;
        HWND parent = GetParent(hwnd);
        if (parent) SendMessage(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    });
}

void PaintStandardLook(HWND hwnd, const ControlLook& look)
{
    paintWith(hwnd, [hwnd, &look](const GdiBridge& b, HDC dc) {
        if (b.drawControl && dc) b.drawControl(hwnd, dc, look);
    });
}

}  // namespace platform::user::detail
