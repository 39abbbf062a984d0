#include "platform/controls/CListCtrl.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi/gdi.h"

IMPLEMENT_DYNAMIC(CListCtrl, CWnd)

BEGIN_MESSAGE_MAP(CListCtrl, CWnd)
END_MESSAGE_MAP()

namespace {

constexpr int kBarWidth = 17;    // the vertical scroll bar, and the height of its arrow boxes
constexpr int kMinThumb = 8;
constexpr int kTextHeight = 16;  // a row is at least one line of the default font
constexpr int kIconIndent = 2;
constexpr int kWheelRows = 3;    // rows a wheel notch scrolls

// The list view's class takes double-clicks (its NM_DBLCLK), as it does on Windows.
const BOOL kListViewClass = platform::user::RegisterWindowClass("SysListView32", CS_DBLCLKS, nullptr);

struct Item {
    std::string text;
    int image = 0;
    LPARAM param = 0;
    UINT state = 0;
};

}  // namespace

// The items and the view state. Messages change it on the user-interface thread; the scroll
// readers may look from elsewhere, so every access holds the mutex (never while a notification
// is out).
struct CListCtrl::Model {
    std::recursive_mutex mutex;
    std::vector<Item> items;
    std::vector<int> columnWidths;
    DWORD exStyle = 0;
    HIMAGELIST images[2] = {nullptr, nullptr};
    int top = 0;
    bool barDisabled = false;
    int wheelRest = 0;
    // Mouse: a press on a row (click pending), or on the bar's thumb (dragging).
    bool pressed = false;
    int pressedItem = -1;
    POINT pressedAt{};
    int anchor = -1;
    bool dragging = false;
    int dragGrip = 0;

    int rowHeight() const
    {
        int cx = 0, cy = 0;
        ImageList_GetIconSize(images[LVSIL_SMALL], &cx, &cy);
        return std::max(cy, kTextHeight) + 2;
    }
    int count() const { return static_cast<int>(items.size()); }
    bool valid(int i) const { return i >= 0 && i < count(); }
    // Rows reach as far as the columns do.
    int rowsRight() const
    {
        int w = 0;
        for (int c : columnWidths) w += c;
        return w;
    }
};

namespace {

RECT clientOf(HWND hwnd)
{
    RECT r{};
    ::GetClientRect(hwnd, &r);
    return r;
}

struct Geometry {
    int rowH;
    int perPage;
    int count;
    int limit;  // the largest top row
    bool bar;   // the rows do not all fit: the bar shows
    RECT client;
};

Geometry geometryOf(const CListCtrl::Model& m, HWND hwnd)
{
    Geometry g{};
    g.client = clientOf(hwnd);
    g.rowH = m.rowHeight();
    g.perPage = std::max(0, (g.client.bottom - g.client.top) / g.rowH);
    g.count = m.count();
    g.limit = std::max(0, g.count - std::max(1, g.perPage));
    g.bar = g.count > g.perPage;
    return g;
}

struct BarParts {
    RECT up, down, track, thumb;
};

BarParts barPartsOf(const Geometry& g, int top)
{
    int right = g.client.right, left = right - kBarWidth, h = g.client.bottom;
    BarParts p{};
    p.up = RECT{left, 0, right, std::min(kBarWidth, h / 2)};
    p.down = RECT{left, std::max(h - kBarWidth, h / 2), right, h};
    p.track = RECT{left, p.up.bottom, right, p.down.top};
    int trackLen = std::max(0, p.track.bottom - p.track.top);
    int thumbLen = g.count > 0 ? std::max(kMinThumb, trackLen * g.perPage / g.count) : trackLen;
    thumbLen = std::min(thumbLen, trackLen);
    int travel = trackLen - thumbLen;
    int y = p.track.top + (g.limit > 0 ? travel * top / g.limit : 0);
    p.thumb = RECT{left, y, right, y + thumbLen};
    return p;
}

bool inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

void fill(HDC dc, const RECT& r, COLORREF color)
{
    HBRUSH b = CreateSolidBrush(color);
    FillRect(dc, &r, b);
    DeleteObject(b);
}

void arrowGlyph(HDC dc, const RECT& box, bool up, COLORREF color)
{
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ old = SelectObject(dc, pen);
    int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    for (int k = 0; k < 4; ++k) {
        int y = up ? cy - 2 + k : cy + 1 - k;
        MoveToEx(dc, cx - k, y, nullptr);
        LineTo(dc, cx + k + 1, y);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

}  // namespace

CListCtrl::CListCtrl() : m_model(std::make_unique<Model>()) {}

CListCtrl::~CListCtrl()
{
    // The window must go while the items still exist: its last messages reach DefWindowProc.
    if (m_hWnd != nullptr && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

BOOL CListCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
{
    return CWnd::Create("SysListView32", nullptr, style, rect, parent, id);
}

CImageList* CListCtrl::SetImageList(CImageList* list, int which)
{
    if (which != LVSIL_NORMAL && which != LVSIL_SMALL) return nullptr;
    CImageList* previous = m_imageLists[which];
    m_imageLists[which] = list;
    SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(list ? list->GetSafeHandle() : nullptr));
    return previous;
}

CImageList* CListCtrl::GetImageList(int which) const
{
    if (which != LVSIL_NORMAL && which != LVSIL_SMALL) return nullptr;
    auto h = reinterpret_cast<HIMAGELIST>(SendMessage(LVM_GETIMAGELIST, static_cast<WPARAM>(which)));
    CImageList* l = m_imageLists[which];
    return l && h && l->GetSafeHandle() == h ? l : nullptr;
}

int CListCtrl::InsertColumn(int column, LPCSTR heading, int format, int width, int subItem)
{
    LVCOLUMN c{LVCF_FMT | LVCF_TEXT, format, width, const_cast<LPSTR>(heading), 0, subItem};
    if (width >= 0) c.mask |= LVCF_WIDTH;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMN, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&c)));
}

int CListCtrl::InsertItem(int index, LPCSTR text) { return InsertItem(index, text, 0); }

int CListCtrl::InsertItem(int index, LPCSTR text, int image)
{
    LVITEM item{LVIF_TEXT | LVIF_IMAGE, index, 0, 0, 0, const_cast<LPSTR>(text), 0, image, 0};
    return InsertItem(&item);
}

int CListCtrl::GetItemText(int index, int subItem, LPSTR buffer, int size) const
{
    LVITEM item{};
    item.iSubItem = subItem;
    item.pszText = buffer;
    item.cchTextMax = size;
    return static_cast<int>(SendMessage(LVM_GETITEMTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

CString CListCtrl::GetItemText(int index, int subItem) const
{
    // The length first (a null buffer copies nothing), then the text.
    LVITEM probe{};
    probe.iSubItem = subItem;
    int n = static_cast<int>(SendMessage(LVM_GETITEMTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&probe)));
    CString text;
    char* buffer = text.GetBuffer(n + 1);
    GetItemText(index, subItem, buffer, n + 1);
    text.ReleaseBuffer(n);
    return text;
}

BOOL CListCtrl::SetItemText(int index, int subItem, LPCSTR text)
{
    LVITEM item{};
    item.iSubItem = subItem;
    item.pszText = const_cast<LPSTR>(text);
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

DWORD_PTR CListCtrl::GetItemData(int index) const
{
    LVITEM item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    return GetItem(&item) ? static_cast<DWORD_PTR>(item.lParam) : 0;
}

BOOL CListCtrl::SetItemData(int index, DWORD_PTR data)
{
    LVITEM item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = static_cast<LPARAM>(data);
    return SetItem(&item);
}

BOOL CListCtrl::SetItemState(int index, UINT state, UINT mask)
{
    LVITEM item{};
    item.state = state;
    item.stateMask = mask;
    return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

int CListCtrl::GetSelectedCount() const
{
    int n = 0;
    for (int i = GetNextItem(-1, LVNI_SELECTED); i >= 0; i = GetNextItem(i, LVNI_SELECTED)) ++n;
    return n;
}

BOOL CListCtrl::GetItemRect(int index, LPRECT rect, UINT code) const
{
    if (rect == nullptr) return FALSE;
    rect->left = static_cast<LONG>(code);
    return static_cast<BOOL>(SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect)));
}

int CListCtrl::HitTest(CPoint point, UINT* flags) const
{
    LVHITTESTINFO info{point, 0, -1, 0};
    int i = static_cast<int>(SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (flags) *flags = info.flags;
    return i;
}

int CListCtrl::GetScrollPos(int bar) const
{
    if (bar != SB_VERT) return 0;
    std::lock_guard lock(m_model->mutex);
    return m_model->top;
}

int CListCtrl::GetScrollLimit(int bar) const
{
    if (bar != SB_VERT || m_hWnd == nullptr) return 0;
    std::lock_guard lock(m_model->mutex);
    return geometryOf(*m_model, m_hWnd).limit;
}

BOOL InitializeFlatSB(HWND hwnd) { return ::IsWindow(hwnd); }

BOOL FlatSB_EnableScrollBar(HWND hwnd, int bar, UINT arrows)
{
    auto* list = dynamic_cast<CListCtrl*>(CWnd::FromHandlePermanent(hwnd));
    if (list == nullptr) return FALSE;
    if (bar == SB_VERT || bar == SB_BOTH) {
        std::lock_guard lock(list->m_model->mutex);
        list->m_model->barDisabled = (arrows & ESB_DISABLE_BOTH) == ESB_DISABLE_BOTH;
    }
    list->Invalidate(FALSE);
    return TRUE;
}

namespace platform::controls::detail {

// The list view's behaviour, as one window procedure over the control's model.
class ListView {
public:
    ListView(CListCtrl& list, CListCtrl::Model& m) : m_list(list), m(m), m_hwnd(list.m_hWnd) {}

    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam, bool* handled);

private:
    CListCtrl& m_list;
    CListCtrl::Model& m;
    HWND m_hwnd;

    using Lock = std::unique_lock<std::recursive_mutex>;

    void notify(NMHDR* hdr, UINT code)
    {
        hdr->hwndFrom = m_hwnd;
        hdr->idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(m_hwnd));
        hdr->code = code;
    }
    LRESULT send(NMHDR* hdr)
    {
        HWND parent = ::GetParent(m_hwnd);
        return parent ? ::SendMessage(parent, WM_NOTIFY, hdr->idFrom, reinterpret_cast<LPARAM>(hdr)) : 0;
    }
    void redraw() { ::InvalidateRect(m_hwnd, nullptr, TRUE); }

    // Sets the state bits of `mask` on item i; reports the change to the parent.
    void setState(int i, UINT state, UINT mask)
    {
        Lock lock(m.mutex);
        if (!m.valid(i)) return;
        Item& it = m.items[static_cast<std::size_t>(i)];
        UINT old = it.state, now = (old & ~mask) | (state & mask);
        if (old == now) return;
        it.state = now;
        LPARAM param = it.param;
        lock.unlock();
        NMLISTVIEW nm{};
        notify(&nm.hdr, LVN_ITEMCHANGED);
        nm.iItem = i;
        nm.uNewState = now;
        nm.uOldState = old;
        nm.uChanged = LVIF_STATE;
        nm.lParam = param;
        send(&nm.hdr);
        redraw();
    }
    void setStateAll(UINT state, UINT mask)
    {
        int n;
        {
            Lock lock(m.mutex);
            n = m.count();
        }
        for (int i = 0; i < n; ++i) setState(i, state, mask);
    }

    int hitRow(POINT p)
    {
        Lock lock(m.mutex);
        Geometry g = geometryOf(m, m_hwnd);
        if (p.y < 0 || p.x < 0) return -1;
        if (g.bar && p.x >= g.client.right - kBarWidth) return -1;
        int row = m.top + p.y / g.rowH;
        bool onRow = (m.exStyle & LVS_EX_FULLROWSELECT) ? p.x < g.client.right : p.x < m.rowsRight();
        return m.valid(row) && onRow ? row : -1;
    }

    void scrollTo(int top)
    {
        Lock lock(m.mutex);
        Geometry g = geometryOf(m, m_hwnd);
        int t = std::clamp(top, 0, g.limit);
        if (t == m.top) return;
        m.top = t;
        lock.unlock();
        redraw();
    }
    void scrollBy(int rows)
    {
        Lock lock(m.mutex);
        scrollTo(m.top + rows);
    }
    // The scroll range changed: a disabled bar comes back, as when the control sets its range.
    void rangeChanged()
    {
        Lock lock(m.mutex);
        m.barDisabled = false;
        scrollTo(m.top);
    }

    void vscroll(int code, int pos)
    {
        Lock lock(m.mutex);
        Geometry g = geometryOf(m, m_hwnd);
        int page = std::max(1, g.perPage);
        switch (code) {
        case SB_LINEUP: scrollBy(-1); break;
        case SB_LINEDOWN: scrollBy(1); break;
        case SB_PAGEUP: scrollBy(-page); break;
        case SB_PAGEDOWN: scrollBy(page); break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: scrollTo(pos); break;
        case SB_TOP: scrollTo(0); break;
        case SB_BOTTOM: scrollTo(g.limit); break;
        default: break;
        }
    }

    // A press on the scroll bar; false when the point is not on a shown, enabled bar.
    bool barPress(POINT p)
    {
        Lock lock(m.mutex);
        Geometry g = geometryOf(m, m_hwnd);
        if (!g.bar || p.x < g.client.right - kBarWidth) return false;
        if (m.barDisabled) return true;
        BarParts parts = barPartsOf(g, m.top);
        if (inside(parts.up, p)) vscroll(SB_LINEUP, 0);
        else if (inside(parts.down, p)) vscroll(SB_LINEDOWN, 0);
        else if (inside(parts.thumb, p)) {
            m.dragging = true;
            m.dragGrip = p.y - parts.thumb.top;
            lock.unlock();
            ::SetCapture(m_hwnd);
        } else if (p.y < parts.thumb.top) vscroll(SB_PAGEUP, 0);
        else vscroll(SB_PAGEDOWN, 0);
        return true;
    }
    void barDrag(POINT p)
    {
        Lock lock(m.mutex);
        Geometry g = geometryOf(m, m_hwnd);
        BarParts parts = barPartsOf(g, m.top);
        int travel = (parts.track.bottom - parts.track.top) - (parts.thumb.bottom - parts.thumb.top);
        if (travel <= 0) return;
        int y = p.y - m.dragGrip - parts.track.top;
        scrollTo((y * g.limit + travel / 2) / travel);
    }

    void press(POINT p, UINT keys, bool doubleClick)
    {
        if (barPress(p)) return;
        ::SetFocus(m_hwnd);
        int i = hitRow(p);
        int anchor;
        {
            Lock lock(m.mutex);
            anchor = m.anchor;
        }
        bool single = (::GetWindowLong(m_hwnd, GWL_STYLE) & LVS_SINGLESEL) != 0;
        if (i >= 0 && (keys & MK_CONTROL) && !single) {
            setState(i, m_list.GetItemState(i, LVIS_SELECTED) ^ LVIS_SELECTED, LVIS_SELECTED);
        } else if (i >= 0 && (keys & MK_SHIFT) && !single && anchor >= 0) {
            int n = m_list.GetItemCount();
            for (int k = 0; k < n; ++k) setState(k, (k >= std::min(anchor, i) && k <= std::max(anchor, i)) ? LVIS_SELECTED : 0, LVIS_SELECTED);
        } else {
            int n = m_list.GetItemCount();
            for (int k = 0; k < n; ++k)
                if (k != i) setState(k, 0, LVIS_SELECTED);
            if (i >= 0) setState(i, LVIS_SELECTED, LVIS_SELECTED);
        }
        if (i >= 0) {
            int n = m_list.GetItemCount();
            for (int k = 0; k < n; ++k)
                if (k != i) setState(k, 0, LVIS_FOCUSED);
            setState(i, LVIS_FOCUSED, LVIS_FOCUSED);
        }
        Lock lock(m.mutex);
        if (i >= 0 && !(keys & MK_SHIFT)) m.anchor = i;
        if (doubleClick) {
            m.pressed = false;
            lock.unlock();
            activate(NM_DBLCLK, i, p, keys);
            return;
        }
        m.pressed = true;
        m.pressedItem = i;
        m.pressedAt = p;
        lock.unlock();
        ::SetCapture(m_hwnd);
    }

    void release(POINT, UINT keys)
    {
        Lock lock(m.mutex);
        bool wasDragging = m.dragging, wasPressed = m.pressed;
        m.dragging = m.pressed = false;
        int item = m.pressedItem;
        POINT at = m.pressedAt;
        lock.unlock();
        if (wasDragging || wasPressed) ::ReleaseCapture();
        if (wasPressed) activate(NM_CLICK, item, at, keys);
    }

    void activate(UINT code, int item, POINT p, UINT keys)
    {
        NMITEMACTIVATE nm{};
        notify(&nm.hdr, code);
        nm.iItem = item;
        nm.ptAction = p;
        nm.uKeyFlags = keys;
        if (item >= 0) {
            Lock lock(m.mutex);
            if (m.valid(item)) {
                nm.uNewState = nm.uOldState = m.items[static_cast<std::size_t>(item)].state;
                nm.lParam = m.items[static_cast<std::size_t>(item)].param;
            }
        }
        send(&nm.hdr);
    }

    void wheel(int delta)
    {
        Lock lock(m.mutex);
        m.wheelRest += delta;
        int notches = m.wheelRest / WHEEL_DELTA;
        m.wheelRest -= notches * WHEEL_DELTA;
        if (notches != 0) scrollBy(-notches * kWheelRows);
    }

    void paint(HDC dc);
    void paintBar(HDC dc, const Geometry& g, int top, bool disabled);

    int insert(const LVITEM* in)
    {
        if (in == nullptr) return -1;
        Item it;
        if (in->mask & LVIF_TEXT) it.text = in->pszText ? in->pszText : "";
        if (in->mask & LVIF_IMAGE) it.image = in->iImage;
        if (in->mask & LVIF_PARAM) it.param = in->lParam;
        if (in->mask & LVIF_STATE) it.state = in->state & in->stateMask;
        int at;
        {
            Lock lock(m.mutex);
            at = std::clamp(in->iItem, 0, m.count());
            m.items.insert(m.items.begin() + at, std::move(it));
            if (m.anchor >= at) ++m.anchor;
        }
        rangeChanged();
        redraw();
        return at;
    }

    BOOL remove(int i)
    {
        {
            Lock lock(m.mutex);
            if (!m.valid(i)) return FALSE;
            m.items.erase(m.items.begin() + i);
            if (m.anchor == i) m.anchor = -1;
            else if (m.anchor > i) --m.anchor;
        }
        rangeChanged();
        redraw();
        return TRUE;
    }

    BOOL getItem(LVITEM* out)
    {
        Lock lock(m.mutex);
        if (out == nullptr || !m.valid(out->iItem) || out->iSubItem != 0) return FALSE;
        const Item& it = m.items[static_cast<std::size_t>(out->iItem)];
        if (out->mask & LVIF_TEXT) copyText(it.text, out->pszText, out->cchTextMax);
        if (out->mask & LVIF_IMAGE) out->iImage = it.image;
        if (out->mask & LVIF_PARAM) out->lParam = it.param;
        if (out->mask & LVIF_STATE) out->state = it.state & out->stateMask;
        return TRUE;
    }

    BOOL setItem(const LVITEM* in)
    {
        Lock lock(m.mutex);
        if (in == nullptr || !m.valid(in->iItem) || in->iSubItem != 0) return FALSE;
        Item& it = m.items[static_cast<std::size_t>(in->iItem)];
        if (in->mask & LVIF_TEXT) it.text = in->pszText ? in->pszText : "";
        if (in->mask & LVIF_IMAGE) it.image = in->iImage;
        if (in->mask & LVIF_PARAM) it.param = in->lParam;
        lock.unlock();
        if (in->mask & LVIF_STATE) setState(in->iItem, in->state, in->stateMask);
        redraw();
        return TRUE;
    }

    // Copies up to size - 1 bytes and a terminator; the length of the whole text.
    static int copyText(const std::string& text, LPSTR buffer, int size)
    {
        if (buffer != nullptr && size > 0) {
            std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
            // Never split a UTF-8 sequence.
            while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
            std::memcpy(buffer, text.data(), n);
            buffer[n] = '\0';
            return static_cast<int>(n);
        }
        return static_cast<int>(text.size());
    }

    int nextItem(int start, UINT flags)
    {
        Lock lock(m.mutex);
        UINT want = 0;
        if (flags & LVNI_SELECTED) want |= LVIS_SELECTED;
        if (flags & LVNI_FOCUSED) want |= LVIS_FOCUSED;
        for (int i = std::max(-1, start) + 1; i < m.count(); ++i)
            if ((m.items[static_cast<std::size_t>(i)].state & want) == want) return i;
        return -1;
    }

    BOOL itemRect(int i, RECT* r)
    {
        Lock lock(m.mutex);
        if (r == nullptr || !m.valid(i)) return FALSE;
        Geometry g = geometryOf(m, m_hwnd);
        int code = r->left;
        int top = (i - m.top) * g.rowH;
        int cx = 0, cy = 0;
        ImageList_GetIconSize(m.images[LVSIL_SMALL], &cx, &cy);
        int iconRight = cx > 0 ? kIconIndent + cx : 0;
        switch (code) {
        case LVIR_ICON: *r = RECT{kIconIndent, top, iconRight, top + g.rowH}; break;
        case LVIR_LABEL: *r = RECT{iconRight, top, std::max(iconRight, m.rowsRight()), top + g.rowH}; break;
        default: *r = RECT{0, top, m.rowsRight(), top + g.rowH}; break;
        }
        return TRUE;
    }
};

void ListView::paintBar(HDC dc, const Geometry& g, int top, bool disabled)
{
    BarParts parts = barPartsOf(g, top);
    COLORREF glyph = disabled ? RGB(160, 160, 160) : RGB(96, 96, 96);
    fill(dc, RECT{parts.up.left, 0, parts.up.right, g.client.bottom}, RGB(240, 240, 240));
    fill(dc, parts.up, RGB(225, 225, 225));
    fill(dc, parts.down, RGB(225, 225, 225));
    arrowGlyph(dc, parts.up, true, glyph);
    arrowGlyph(dc, parts.down, false, glyph);
    if (!disabled) fill(dc, parts.thumb, RGB(192, 192, 192));
}

void ListView::paint(HDC dc)
{
    std::vector<Item> items;
    Geometry g;
    int top;
    bool disabled;
    HIMAGELIST images;
    int right;
    {
        Lock lock(m.mutex);
        items = m.items;
        g = geometryOf(m, m_hwnd);
        top = m.top;
        disabled = m.barDisabled;
        images = m.images[LVSIL_SMALL];
        right = m.rowsRight();
    }
    int rowsRight = g.bar ? std::min(right, g.client.right - kBarWidth) : right;
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images, &cx, &cy);
    bool focused = ::GetFocus() == m_hwnd;

    NMLVCUSTOMDRAW cd{};
    notify(&cd.nmcd.hdr, NM_CUSTOMDRAW);
    cd.nmcd.hdc = dc;
    cd.nmcd.rc = g.client;
    cd.nmcd.dwDrawStage = CDDS_PREPAINT;
    LRESULT whole = send(&cd.nmcd.hdr);

    int oldMode = SetBkMode(dc, TRANSPARENT);
    COLORREF oldText = GetTextColor(dc);
    for (int i = top; i < static_cast<int>(items.size()) && (i - top) * g.rowH < g.client.bottom; ++i) {
        const Item& it = items[static_cast<std::size_t>(i)];
        RECT row{0, (i - top) * g.rowH, rowsRight, (i - top + 1) * g.rowH};
        bool selected = (it.state & LVIS_SELECTED) != 0;
        COLORREF text = selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_WINDOWTEXT);
        COLORREF back = selected ? GetSysColor(COLOR_HIGHLIGHT) : GetSysColor(COLOR_WINDOW);
        LRESULT itemResult = CDRF_DODEFAULT;
        if (whole & CDRF_NOTIFYITEMDRAW) {
            cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
            cd.nmcd.rc = row;
            cd.nmcd.dwItemSpec = static_cast<DWORD_PTR>(i);
            cd.nmcd.uItemState = (selected ? CDIS_SELECTED : 0u) | ((it.state & LVIS_FOCUSED) && focused ? CDIS_FOCUS : 0u);
            cd.nmcd.lItemlParam = it.param;
            cd.clrText = text;
            cd.clrTextBk = back;
            cd.iSubItem = 0;
            itemResult = send(&cd.nmcd.hdr);
            if (itemResult & CDRF_NOTIFYSUBITEMDRAW) {
                cd.nmcd.dwDrawStage = CDDS_ITEMPREPAINT | CDDS_SUBITEM;
                itemResult = send(&cd.nmcd.hdr);
            }
            text = cd.clrText;
            back = cd.clrTextBk;
        }
        if (itemResult & CDRF_SKIPDEFAULT) continue;
        fill(dc, row, back);
        if (images) ImageList_Draw(images, it.image, dc, kIconIndent, row.top + (g.rowH - cy) / 2, ILD_NORMAL);
        RECT label{cx > 0 ? kIconIndent + cx + 4 : 4, row.top, rowsRight - 2, row.bottom};
        SetTextColor(dc, text);
        DrawText(dc, it.text.c_str(), -1, &label, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    SetTextColor(dc, oldText);
    SetBkMode(dc, oldMode);
    if (g.bar) paintBar(dc, g, top, disabled);
    if (whole & CDRF_NOTIFYPOSTPAINT) {
        cd.nmcd.dwDrawStage = CDDS_POSTPAINT;
        cd.nmcd.rc = g.client;
        send(&cd.nmcd.hdr);
    }
}

LRESULT ListView::Handle(UINT message, WPARAM wParam, LPARAM lParam, bool* handled)
{
    *handled = true;
    switch (message) {
    case LVM_GETITEMCOUNT: {
        Lock lock(m.mutex);
        return m.count();
    }
    case LVM_INSERTITEM: return insert(reinterpret_cast<const LVITEM*>(lParam));
    case LVM_DELETEITEM: return remove(static_cast<int>(wParam));
    case LVM_DELETEALLITEMS: {
        {
            Lock lock(m.mutex);
            m.items.clear();
            m.anchor = -1;
        }
        rangeChanged();
        redraw();
        return TRUE;
    }
    case LVM_GETITEM: return getItem(reinterpret_cast<LVITEM*>(lParam));
    case LVM_SETITEM: return setItem(reinterpret_cast<const LVITEM*>(lParam));
    case LVM_GETITEMTEXT: {
        auto* item = reinterpret_cast<LVITEM*>(lParam);
        Lock lock(m.mutex);
        int i = static_cast<int>(wParam);
        if (item == nullptr || !m.valid(i) || item->iSubItem != 0) {
            if (item && item->pszText && item->cchTextMax > 0) item->pszText[0] = '\0';
            return 0;
        }
        return copyText(m.items[static_cast<std::size_t>(i)].text, item->pszText, item->cchTextMax);
    }
    case LVM_SETITEMTEXT: {
        auto* item = reinterpret_cast<const LVITEM*>(lParam);
        if (item == nullptr) return FALSE;
        LVITEM set = *item;
        set.mask = LVIF_TEXT;
        set.iItem = static_cast<int>(wParam);
        return setItem(&set);
    }
    case LVM_SETITEMSTATE: {
        auto* item = reinterpret_cast<const LVITEM*>(lParam);
        if (item == nullptr) return FALSE;
        int i = static_cast<int>(static_cast<INT_PTR>(wParam));
        if (i == -1) {
            setStateAll(item->state, item->stateMask);
            return TRUE;
        }
        {
            Lock lock(m.mutex);
            if (!m.valid(i)) return FALSE;
        }
        setState(i, item->state, item->stateMask);
        return TRUE;
    }
    case LVM_GETITEMSTATE: {
        Lock lock(m.mutex);
        int i = static_cast<int>(wParam);
        return m.valid(i) ? (m.items[static_cast<std::size_t>(i)].state & static_cast<UINT>(lParam)) : 0;
    }
    case LVM_GETNEXTITEM: return nextItem(static_cast<int>(static_cast<INT_PTR>(wParam)), static_cast<UINT>(lParam));
    case LVM_GETITEMRECT: return itemRect(static_cast<int>(wParam), reinterpret_cast<RECT*>(lParam));
    case LVM_GETITEMPOSITION: {
        RECT r{LVIR_BOUNDS, 0, 0, 0};
        auto* p = reinterpret_cast<POINT*>(lParam);
        if (p == nullptr || !itemRect(static_cast<int>(wParam), &r)) return FALSE;
        *p = POINT{r.left, r.top};
        return TRUE;
    }
    case LVM_HITTEST: {
        auto* info = reinterpret_cast<LVHITTESTINFO*>(lParam);
        if (info == nullptr) return -1;
        info->iItem = hitRow(info->pt);
        info->iSubItem = 0;
        info->flags = info->iItem >= 0 ? LVHT_ONITEM : LVHT_NOWHERE;
        return info->iItem;
    }
    case LVM_ENSUREVISIBLE: {
        Lock lock(m.mutex);
        int i = static_cast<int>(wParam);
        if (!m.valid(i)) return FALSE;
        Geometry g = geometryOf(m, m_hwnd);
        if (i < m.top) scrollTo(i);
        else if (i >= m.top + std::max(1, g.perPage)) scrollTo(i - std::max(1, g.perPage) + 1);
        return TRUE;
    }
    case LVM_SCROLL: {
        Lock lock(m.mutex);
        int dy = static_cast<int>(lParam), h = m.rowHeight();
        int rows = dy >= 0 ? (dy + h / 2) / h : -((-dy + h / 2) / h);
        scrollBy(rows);
        return TRUE;
    }
    case LVM_GETTOPINDEX: {
        Lock lock(m.mutex);
        return m.top;
    }
    case LVM_GETCOUNTPERPAGE: {
        Lock lock(m.mutex);
        return geometryOf(m, m_hwnd).perPage;
    }
    case LVM_SETIMAGELIST: {
        if (wParam > LVSIL_SMALL) return 0;
        HIMAGELIST old;
        {
            Lock lock(m.mutex);
            old = m.images[wParam];
            m.images[wParam] = reinterpret_cast<HIMAGELIST>(lParam);
        }
        rangeChanged();
        redraw();
        return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETIMAGELIST: {
        Lock lock(m.mutex);
        return wParam <= LVSIL_SMALL ? reinterpret_cast<LRESULT>(m.images[wParam]) : 0;
    }
    case LVM_INSERTCOLUMN: {
        auto* c = reinterpret_cast<const LVCOLUMN*>(lParam);
        if (c == nullptr) return -1;
        Lock lock(m.mutex);
        int at = std::clamp(static_cast<int>(wParam), 0, static_cast<int>(m.columnWidths.size()));
        m.columnWidths.insert(m.columnWidths.begin() + at, (c->mask & LVCF_WIDTH) ? std::max(0, c->cx) : 0);
        lock.unlock();
        redraw();
        return at;
    }
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        Lock lock(m.mutex);
        DWORD old = m.exStyle, mask = wParam ? static_cast<DWORD>(wParam) : 0xFFFFFFFFu;
        m.exStyle = (old & ~mask) | (static_cast<DWORD>(lParam) & mask);
        lock.unlock();
        redraw();
        return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE: {
        Lock lock(m.mutex);
        return m.exStyle;
    }
    case WM_ERASEBKGND: {
        RECT r = clientOf(m_hwnd);
        fill(reinterpret_cast<HDC>(wParam), r, GetSysColor(COLOR_WINDOW));
        return TRUE;
    }
    case WM_PAINT: {
        // With a device context in wParam the rows are drawn into it, over what it holds.
        if (wParam != 0) {
            paint(reinterpret_cast<HDC>(wParam));
            return 0;
        }
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_hwnd, &ps);
        if (dc) paint(dc);
        EndPaint(m_hwnd, &ps);
        return 0;
    }
    case WM_SIZE: rangeChanged(); *handled = false; return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        press(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, static_cast<UINT>(wParam), message == WM_LBUTTONDBLCLK);
        return 0;
    case WM_LBUTTONUP: release(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, static_cast<UINT>(wParam)); return 0;
    case WM_MOUSEMOVE: {
        bool dragging;
        {
            Lock lock(m.mutex);
            dragging = m.dragging;
        }
        if (dragging) barDrag(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return 0;
    }
    case WM_CAPTURECHANGED: {
        Lock lock(m.mutex);
        if (reinterpret_cast<HWND>(lParam) != m_hwnd) m.dragging = m.pressed = false;
        *handled = false;
        return 0;
    }
    case WM_MOUSEWHEEL: wheel(GET_WHEEL_DELTA_WPARAM(wParam)); return 0;
    case WM_VSCROLL: vscroll(LOWORD(wParam), static_cast<short>(HIWORD(wParam))); return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS: redraw(); *handled = false; return 0;
    default: *handled = false; return 0;
    }
}

}  // namespace platform::controls::detail

LRESULT CListCtrl::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_hWnd != nullptr) {
        bool handled = false;
        platform::controls::detail::ListView view(*this, *m_model);
        LRESULT r = view.Handle(message, wParam, lParam, &handled);
        if (handled) return r;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}
