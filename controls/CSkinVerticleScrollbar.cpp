#include "controls/CSkinVerticleScrollbar.h"

#include <cmath>

#include "controls/CMemDCOld.h"

BEGIN_MESSAGE_MAP(CSkinVerticleScrollbar, CStatic)
    ON_WM_LBUTTONDOWN()
    ON_WM_LBUTTONDBLCLK()
    ON_WM_LBUTTONUP()
    ON_WM_MOUSEMOVE()
    ON_WM_PAINT()
    ON_WM_TIMER()
END_MESSAGE_MAP()

namespace {

// Bitmap resources of the bar's parts.
constexpr UINT kBottomCap = 132;
constexpr UINT kDownArrow = 133;
constexpr UINT kTrack = 134;
constexpr UINT kThumb = 135;
constexpr UINT kTopCap = 136;
constexpr UINT kUpArrow = 137;

constexpr int kWidth = 12;
constexpr int kArrowHeight = 26;
constexpr int kCapHeight = 11;
constexpr int kThumbHeight = 26;
constexpr int kThumbFirstTop = 36;
// The thumb's top stays within 36 to H - 62, a travel of H - 98 pixels.
constexpr int kThumbTravelLoss = 98;
constexpr int kThumbLastTopFromBottom = 62;

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT_PTR kDelayTimer = 2;
constexpr UINT kDelayMs = 250;
constexpr UINT kRepeatMs = 50;

// Copies bitmap resource `id`, stretched from its own size to width x height, to (x, y) of `dc`.
void DrawPart(CDC& dc, CDC& parts, UINT id, int x, int y, int width, int height, int sourceWidth, int sourceHeight)
{
    CBitmap bitmap;
    if (!bitmap.LoadBitmap(id))
        return;
    CBitmap* old = parts.SelectObject(&bitmap);
    if (width == sourceWidth && height == sourceHeight)
        dc.BitBlt(x, y, width, height, &parts, 0, 0, SRCCOPY);
    else
        dc.StretchBlt(x, y, width, height, &parts, 0, 0, sourceWidth, sourceHeight, SRCCOPY);
    parts.SelectObject(old);
}

}  // namespace

int CSkinVerticleScrollbar::ClientHeight() const
{
    CRect client;
    GetClientRect(&client);
    return client.Height();
}

CRect CSkinVerticleScrollbar::UpArrow() const { return CRect(0, kCapHeight, kWidth, kCapHeight + kArrowHeight); }

CRect CSkinVerticleScrollbar::DownArrow() const
{
    const int height = ClientHeight();
    return CRect(0, height - kCapHeight - kArrowHeight, kWidth, height - kCapHeight);
}

CRect CSkinVerticleScrollbar::Thumb() const { return CRect(0, m_nThumbTop, kWidth, m_nThumbTop + kThumbHeight); }

int CSkinVerticleScrollbar::ScrollLimit() const { return m_pList ? m_pList->GetScrollLimit(SB_VERT) : 0; }
int CSkinVerticleScrollbar::ScrollPos() const { return m_pList ? m_pList->GetScrollPos(SB_VERT) : 0; }

void CSkinVerticleScrollbar::ScrollList(UINT code)
{
    if (m_pList != nullptr)
        m_pList->SendMessage(WM_VSCROLL, MAKEWPARAM(code, 0), 0);
}

void CSkinVerticleScrollbar::ClampThumb()
{
    const int height = ClientHeight();
    if (m_nThumbTop + kThumbHeight > height - kCapHeight - kArrowHeight)
        m_nThumbTop = height - kThumbLastTopFromBottom;
    if (m_nThumbTop < kThumbFirstTop)
        m_nThumbTop = kThumbFirstTop;
}

void CSkinVerticleScrollbar::Draw()
{
    CClientDC dc(this);
    CRect client;
    GetClientRect(&client);
    const int height = client.Height();
    CMemDCOld memory(&dc, client);
    memory.FillSolidRect(&client, RGB(74, 82, 107));
    CDC parts;
    parts.CreateCompatibleDC(&memory);
    const int trackTop = kCapHeight + kArrowHeight;
    DrawPart(memory, parts, kTopCap, 0, 0, kWidth, kCapHeight, kWidth, kCapHeight);
    DrawPart(memory, parts, kUpArrow, 0, kCapHeight, kWidth, kArrowHeight, kWidth, kArrowHeight);
    DrawPart(memory, parts, kTrack, 0, trackTop, kWidth, height - trackTop, kWidth, 1);
    DrawPart(memory, parts, kDownArrow, 0, height - trackTop, kWidth, kArrowHeight, kWidth, kArrowHeight);
    DrawPart(memory, parts, kBottomCap, 1, height - kCapHeight, kCapHeight, kCapHeight, kCapHeight, kCapHeight);
    if (ScrollLimit() != 0)
        DrawPart(memory, parts, kThumb, 0, m_nThumbTop, kWidth, kThumbHeight, kWidth, kThumbHeight);
}

void CSkinVerticleScrollbar::UpdateThumb()
{
    const int limit = ScrollLimit();
    // Without anything to scroll the thumb rests at its first place (and is not drawn).
    if (limit == 0) {
        m_nThumbTop = kThumbFirstTop;
    } else {
        m_dbThumbInterval = static_cast<double>(ClientHeight() - kThumbTravelLoss) / limit;
        m_nThumbTop = static_cast<int>(std::trunc(m_dbThumbInterval * ScrollPos())) + kThumbFirstTop;
        ClampThumb();
    }
    Draw();
}

void CSkinVerticleScrollbar::OnPaint()
{
    CPaintDC paint(this);
    Draw();
}

void CSkinVerticleScrollbar::OnLButtonDown(UINT flags, CPoint point)
{
    SetCapture();
    if (Thumb().PtInRect(point))
        m_bDragging = true;
    if (DownArrow().PtInRect(point)) {
        m_bDownHeld = true;
        SetTimer(kDelayTimer, kDelayMs);
    }
    if (UpArrow().PtInRect(point)) {
        m_bUpHeld = true;
        SetTimer(kDelayTimer, kDelayMs);
    }
    CStatic::OnLButtonDown(flags, point);
}

void CSkinVerticleScrollbar::OnLButtonDblClk(UINT flags, CPoint point) { OnLButtonDown(flags, point); }

void CSkinVerticleScrollbar::OnTimer(UINT_PTR id)
{
    if (id == kDelayTimer) {
        // The delay fires once: after a quick click it finds no arrow held and just ends.
        KillTimer(kDelayTimer);
        if (m_bDownHeld || m_bUpHeld)
            SetTimer(kRepeatTimer, kRepeatMs);
    } else if (id == kRepeatTimer) {
        if (m_bDownHeld) {
            ScrollList(SB_LINEDOWN);
            UpdateThumb();
        }
        if (m_bUpHeld) {
            ScrollList(SB_LINEUP);
            UpdateThumb();
        }
    }
    CStatic::OnTimer(id);
}

void CSkinVerticleScrollbar::OnLButtonUp(UINT flags, CPoint point)
{
    UpdateThumb();
    KillTimer(kRepeatTimer);
    ReleaseCapture();
    bool page = true;
    if (UpArrow().PtInRect(point) && m_bUpHeld) {
        ScrollList(SB_LINEUP);
        UpdateThumb();
        page = false;
    }
    if (DownArrow().PtInRect(point) && m_bDownHeld) {
        ScrollList(SB_LINEDOWN);
        UpdateThumb();
        page = false;
    }
    if (!Thumb().PtInRect(point) && page && !m_bDragging) {
        ScrollList(point.y > m_nThumbTop ? SB_PAGEDOWN : SB_PAGEUP);
        UpdateThumb();
    }
    m_bUpHeld = false;
    m_bDownHeld = false;
    m_bDragging = false;
    CStatic::OnLButtonUp(flags, point);
}

void CSkinVerticleScrollbar::OnMouseMove(UINT flags, CPoint point)
{
    if (m_bDragging) {
        m_nThumbTop = point.y - kThumbHeight / 2;
        const int limit = ScrollLimit();
        // Nothing to scroll: the thumb only follows the cursor within its travel.
        if (limit != 0) {
            const int pos = ScrollPos();
            m_dbThumbInterval = static_cast<double>(ClientHeight() - kThumbTravelLoss) / limit;
            const int target = static_cast<int>(std::trunc((m_nThumbTop - kThumbFirstTop) / m_dbThumbInterval));
            CRect item;
            if (!m_pList->GetItemRect(0, &item, LVIR_BOUNDS))
                item.SetRectEmpty();
            m_pList->Scroll(CSize(0, item.Height() * (target - pos)));
        }
        ClampThumb();
        Draw();
    }
    CStatic::OnMouseMove(flags, point);
}
