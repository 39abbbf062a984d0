#include "controls/CPlot.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "foundation/CAutoLock.h"

namespace RealtimeCurve {

IMPLEMENT_DYNAMIC(CPlot, CStatic)

BEGIN_MESSAGE_MAP(CPlot, CStatic)
ON_WM_TIMER()
ON_WM_PAINT()
ON_WM_SIZE()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_LBUTTONDBLCLK()
ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

namespace {

constexpr int kMarkerSquare = 3;
constexpr int kMarkerRound = 4;
constexpr int kMinZoom = 10;
constexpr int kLegendEntry = 65;
constexpr int kLegendLine = 20;

// A point in pixels, kept in floating point (already truncated toward zero) until it is drawn, so
// that points far outside the shown range never overflow an int.
struct PixelPoint {
    double x;
    double y;
    bool valid;
};

bool RangeUsable(float low, float high) { return std::isfinite(low) && std::isfinite(high) && high > low; }

bool Inside(const PixelPoint& p, const CRect& r)
{
    return p.x >= r.left && p.x <= r.right && p.y >= r.top && p.y <= r.bottom;
}

// Where the segment from `in` (inside) to `out` (outside) leaves the plot area: on the first edge,
// in the order left, right, top, bottom, that one of the ends touches or passes and whose crossing
// lies on the area; the inside point itself when the segment only grazes the area.
PixelPoint Crossing(const PixelPoint& in, const PixelPoint& out, const CRect& r)
{
    for (int edge = 0; edge < 4; ++edge) {
        PixelPoint c{0.0, 0.0, true};
        if (edge < 2) {
            const double x = edge == 0 ? r.left : r.right;
            const bool touches = edge == 0 ? (in.x <= x || out.x <= x) : (in.x >= x || out.x >= x);
            if (!touches || out.x == in.x)
                continue;
            c = PixelPoint{x, std::trunc(in.y + (x - in.x) * (out.y - in.y) / (out.x - in.x)), true};
        } else {
            const double y = edge == 2 ? r.top : r.bottom;
            const bool touches = edge == 2 ? (in.y <= y || out.y <= y) : (in.y >= y || out.y >= y);
            if (!touches || out.y == in.y)
                continue;
            c = PixelPoint{std::trunc(in.x + (y - in.y) * (out.x - in.x) / (out.y - in.y)), y, true};
        }
        if (Inside(c, r))
            return c;
    }
    return in;
}

// Draws polylines with as few pen moves as possible.
class SegmentPen {
public:
    explicit SegmentPen(CDC* dc) : m_dc(dc) {}
    void Line(const PixelPoint& from, const PixelPoint& to)
    {
        const CPoint a(static_cast<int>(from.x), static_cast<int>(from.y));
        const CPoint b(static_cast<int>(to.x), static_cast<int>(to.y));
        if (!m_moved || a != m_at)
            m_dc->MoveTo(a);
        m_dc->LineTo(b);
        m_at = b;
        m_moved = true;
    }

private:
    CDC* m_dc;
    CPoint m_at;
    bool m_moved = false;
};

// One segment of a curve clipped to the plot area (edges included): drawn where it runs inside,
// up to the crossing where it leaves or from the crossing where it enters; not at all when both
// ends lie outside.
void DrawClipped(SegmentPen& pen, const PixelPoint& a, const PixelPoint& b, const CRect& r)
{
    if (!a.valid || !b.valid)
        return;
    const bool aIn = Inside(a, r), bIn = Inside(b, r);
    if (aIn && bIn)
        pen.Line(a, b);
    else if (aIn)
        pen.Line(a, Crossing(a, b, r));
    else if (bIn)
        pen.Line(Crossing(b, a, r), b);
}

}  // namespace

CPlot::CPlot() = default;

CPlot::~CPlot() = default;

int CPlot::AddCurve(const CString& name, int penStyle, COLORREF color, int penWidth, int capacity)
{
    if (m_nCurves >= kMaxCurves || capacity < 1)
        return -1;
    m_curves[m_nCurves] = std::make_unique<CurveData>(name, penStyle, color, penWidth, capacity);
    return m_nCurves++;
}

void CPlot::AddPoint(float x, float y, int curve)
{
    if (curve < 0 || curve >= m_nCurves)
        return;
    m_curves[curve]->AddPoint(x, y);
    if (!m_bAutoRange)
        return;
    if (x < m_axisX.m_fDataMin)
        m_axisX.m_fDataMin = x;
    if (x > m_axisX.m_fDataMax)
        m_axisX.m_fDataMax = x;
    if (y < m_axisY.m_fDataMin)
        m_axisY.m_fDataMin = y;
    if (y > m_axisY.m_fDataMax)
        m_axisY.m_fDataMax = y;
}

void CPlot::CalcPlotRect(const CRect& client)
{
    m_rcClient = client;
    m_rcPlot = CRect(client.left + m_nMarginLeft, client.top + m_nMarginTop, client.right - m_nMarginRight,
                     client.bottom - m_nMarginBottom);
    const int middle = m_nMarginTop / 2;
    m_rcTitle = CRect(m_rcPlot.left, middle - m_nTitleHeight / 2, m_rcPlot.right, middle + m_nTitleHeight / 2);
    // The legend stands at the right end of the top margin, one entry a curve, so that each name
    // reads beside a stroke of its curve's pen.
    const int legendLeft = std::max<int>(m_rcPlot.left, m_rcPlot.right - kLegendEntry * m_nCurves);
    m_rcLegend = CRect(legendLeft, middle - m_nLegendHeight / 2, m_rcPlot.right, middle + m_nLegendHeight / 2);
}

void CPlot::Draw(CDC* dc, const CRect& client)
{
    CalcPlotRect(client);
    dc->FillSolidRect(&m_rcClient, m_crBack);
    dc->SetBkMode(TRANSPARENT);
    if (m_bGrid)
        DrawGrid(dc);
    if (m_axisX.m_bVisible) {
        CPen pen(m_axisX.m_nPenStyle, m_axisX.m_nPenWidth, m_axisX.m_crColor);
        CPen* old = dc->SelectObject(&pen);
        for (int y : {static_cast<int>(m_rcPlot.bottom), static_cast<int>(m_rcPlot.top)}) {
            dc->MoveTo(m_rcPlot.left, y);
            dc->LineTo(m_rcPlot.right, y);
        }
        dc->SelectObject(old);
    }
    if (m_axisY.m_bVisible) {
        CPen pen(m_axisY.m_nPenStyle, m_axisY.m_nPenWidth, m_axisY.m_crColor);
        CPen* old = dc->SelectObject(&pen);
        for (int x : {static_cast<int>(m_rcPlot.left), static_cast<int>(m_rcPlot.right) - 1}) {
            dc->MoveTo(x, m_rcPlot.bottom);
            dc->LineTo(x, m_rcPlot.top);
        }
        dc->SelectObject(old);
    }
    DrawAxis(dc);
    DrawLegend(dc);
    DrawTitle(dc);
    DrawCurves(dc);
    DrawExtra(dc);
}

void CPlot::DrawGrid(CDC* dc)
{
    if (m_nGridSpacing < 1)
        return;
    CPen pen(m_nGridPenStyle, m_nGridPenWidth, m_crGrid);
    CPen* old = dc->SelectObject(&pen);
    for (int x = m_rcPlot.left + m_nGridSpacing; x < m_rcPlot.right; x += m_nGridSpacing) {
        dc->MoveTo(x, m_rcPlot.bottom);
        dc->LineTo(x, m_rcPlot.top);
    }
    for (int y = m_rcPlot.bottom - m_nGridSpacing; y > m_rcPlot.top; y -= m_nGridSpacing) {
        dc->MoveTo(m_rcPlot.left, y);
        dc->LineTo(m_rcPlot.right, y);
    }
    dc->SelectObject(old);
}

void CPlot::DrawAxis(CDC* dc)
{
    CFont font;
    font.CreatePointFont(60, "Courier New");
    CFont* old = dc->SelectObject(&font);
    dc->SetTextColor(m_axisX.m_crColor);
    CString text;
    text.Format("%.2f", m_axisY.m_fMin);
    CRect low(5, m_rcPlot.bottom - 20, m_rcPlot.left, m_rcPlot.bottom);
    dc->DrawText(text, &low, DT_CENTER | DT_BOTTOM);
    text.Format("%.2f", m_axisY.m_fMax);
    CRect high(5, m_rcPlot.top, m_rcPlot.left, m_rcPlot.top + 20);
    dc->DrawText(text, &high, DT_CENTER | DT_BOTTOM);
    DrawXLabels(dc);
    dc->SelectObject(old);
}

void CPlot::DrawXLabels(CDC* dc)
{
    const double low = m_axisX.m_fMin, high = m_axisX.m_fMax;
    const double step = m_dTickStepX, scale = m_dLabelScaleX, labelStep = step * scale;
    if (!RangeUsable(m_axisX.m_fMin, m_axisX.m_fMax) || !(step > 0.0) || !(scale > 0.0) || !std::isfinite(labelStep))
        return;
    // More labels than the plot has pixels would draw nothing readable and could take for ever.
    const double most = m_rcPlot.Width() + 2.0;
    CString text;
    if (labelStep - std::trunc(labelStep) > 1e-6) {
        if ((high - low) / step > most)
            return;
        for (double v = std::trunc(low / step) * step; high + step > v; v += step) {
            text.Format("%3.1f", v * scale);
            DrawXLabel(dc, v, text);
        }
        return;
    }
    const long long stride = static_cast<long long>(std::trunc(labelStep));
    if (stride < 1 || (high - low) * scale / static_cast<double>(stride) > most)
        return;
    for (long long k = static_cast<long long>(std::trunc(std::trunc(scale * low / labelStep) * labelStep));
         high * scale >= static_cast<double>(k); k += stride) {
        text.Format("%lld", k);
        DrawXLabel(dc, static_cast<double>(k) / scale, text);
    }
}

void CPlot::DrawXLabel(CDC* dc, double value, const CString& text)
{
    const double width = m_rcPlot.right - m_rcPlot.left - 1;
    const int pixel = static_cast<int>(
        std::trunc(width * (value - m_axisX.m_fMin) / (m_axisX.m_fMax - m_axisX.m_fMin) + m_rcPlot.left));
    const int half = m_axisX.m_nLabelWidth / 2;
    CRect box(pixel - half, m_rcPlot.bottom + 1, pixel + half, m_rcPlot.bottom + m_axisX.m_nLabelHeight + 1);
    dc->DrawText(text, &box, DT_CENTER | DT_BOTTOM);
}

void CPlot::DrawLegend(CDC* dc)
{
    CFont font;
    font.CreatePointFont(90, "Courier New");
    CFont* oldFont = dc->SelectObject(&font);
    const int middle = (m_rcLegend.top + m_rcLegend.bottom) / 2;
    int x = m_rcLegend.left;
    for (int i = 0; i < m_nCurves && x < m_rcLegend.right; ++i, x += kLegendEntry) {
        const CurveData& curve = *m_curves[i];
        CPen pen(curve.m_nPenStyle & 0xFF, curve.m_nPenWidth, curve.m_crColor);
        CPen* oldPen = dc->SelectObject(&pen);
        dc->MoveTo(x, middle);
        dc->LineTo(x + kLegendLine, middle);
        dc->SelectObject(oldPen);
        dc->SetTextColor(curve.m_crColor);
        CRect name(x + 25, m_rcLegend.top, x + 55, m_rcLegend.bottom);
        dc->DrawText(curve.m_strName, &name, DT_CENTER);
    }
    dc->SelectObject(oldFont);
}

void CPlot::DrawTitle(CDC* dc)
{
    CFont font;
    font.CreatePointFont(90, "Courier New");
    CFont* old = dc->SelectObject(&font);
    dc->SetTextColor(m_crTitle);
    CRect strip = m_rcTitle;
    dc->DrawText(m_strTitle, &strip, DT_CENTER);
    dc->SelectObject(old);
}

void CPlot::DrawCurves(CDC* dc)
{
    if (!RangeUsable(m_axisX.m_fMin, m_axisX.m_fMax) || !RangeUsable(m_axisY.m_fMin, m_axisY.m_fMax))
        return;
    for (int i = 0; i < m_nCurves; ++i) {
        CurveData& curve = *m_curves[i];
        if (curve.m_bVisible)
            DrawCurve(dc, curve);
    }
}

void CPlot::DrawCurve(CDC* dc, CurveData& curve)
{
    const double xLow = m_axisX.m_fMin, xSpan = m_axisX.m_fMax - xLow;
    const double yLow = m_axisY.m_fMin, ySpan = m_axisY.m_fMax - yLow;
    const double width = m_rcPlot.right - m_rcPlot.left - 1, height = m_rcPlot.bottom - m_rcPlot.top - 1;
    std::vector<PixelPoint> pixels;
    {
        // The points are copied out under the curve's lock, so that a point added meanwhile on
        // another thread never tears the picture.
        CAutoLock lock(&curve.m_lock);
        pixels.reserve(static_cast<std::size_t>(curve.m_nCount));
        for (int k = 0; k < curve.m_nCount; ++k) {
            const CurvePoint& p = curve.m_pPoints[static_cast<std::size_t>(k)];
            const double x = std::trunc((p.x - xLow) * width / xSpan + m_rcPlot.left);
            const double y = std::trunc((m_rcPlot.bottom - 1) - (p.y - yLow) * height / ySpan);
            pixels.push_back(PixelPoint{x, y, std::isfinite(x) && std::isfinite(y)});
        }
    }
    if (pixels.empty())
        return;

    CPen pen(curve.m_nPenStyle & 0xFF, curve.m_nPenWidth, curve.m_crColor);
    CPen* oldPen = dc->SelectObject(&pen);
    SegmentPen segments(dc);
    for (std::size_t k = 1; k < pixels.size(); ++k)
        DrawClipped(segments, pixels[k - 1], pixels[k], m_rcPlot);
    dc->SelectObject(oldPen);

    const int marker = (curve.m_nPenStyle >> 8) & 0xFF;
    if (marker != kMarkerSquare && marker != kMarkerRound)
        return;
    CPen markerPen(PS_SOLID, curve.m_nPenWidth, curve.m_crColor);
    CBrush markerBrush(curve.m_crColor);
    oldPen = dc->SelectObject(&markerPen);
    CBrush* oldBrush = dc->SelectObject(&markerBrush);
    for (const PixelPoint& p : pixels) {
        if (!p.valid || !Inside(p, m_rcPlot))
            continue;
        const int x = static_cast<int>(p.x), y = static_cast<int>(p.y);
        if (marker == kMarkerSquare)
            dc->Rectangle(x - 2, y - 2, x + 3, y + 3);
        else
            dc->Ellipse(x - 2, y - 2, x + 3, y + 3);
    }
    dc->SelectObject(oldBrush);
    dc->SelectObject(oldPen);
}

void CPlot::Repaint()
{
    CRect client;
    GetClientRect(&client);
    CDC* window = GetDC();
    if (window == nullptr)
        return;
    CDC memory;
    memory.CreateCompatibleDC(window);
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(window, client.Width(), client.Height());
    CBitmap* old = memory.SelectObject(&bitmap);
    Draw(&memory, client);
    window->BitBlt(0, 0, client.Width(), client.Height(), &memory, 0, 0, SRCCOPY);
    memory.SelectObject(old);
    ReleaseDC(window);
}

void CPlot::OnPaint()
{
    CPaintDC dc(this);
    Repaint();
}

void CPlot::OnTimer(UINT_PTR id)
{
    Invalidate(TRUE);
    CStatic::OnTimer(id);
}

void CPlot::OnSize(UINT type, int cx, int cy)
{
    CStatic::OnSize(type, cx, cy);
    CRect client;
    GetClientRect(&client);
    CalcPlotRect(client);
    Invalidate(TRUE);
}

void CPlot::OnLButtonDown(UINT flags, CPoint point)
{
    m_ptDown = point;
    CStatic::OnLButtonDown(flags, point);
}

void CPlot::OnLButtonUp(UINT flags, CPoint point)
{
    m_ptUp = point;
    CRect dragged(m_ptDown.x, m_ptDown.y, m_ptUp.x, m_ptUp.y);
    dragged.NormalizeRect();
    CRect zoom;
    zoom.IntersectRect(&dragged, &m_rcPlot);
    if (zoom.Width() >= kMinZoom && zoom.Height() >= kMinZoom) {
        const float w = static_cast<float>(m_rcPlot.Width()), h = static_cast<float>(m_rcPlot.Height());
        const float xLow = m_axisX.m_fMin, xSpan = m_axisX.m_fMax - xLow;
        const float yLow = m_axisY.m_fMin, ySpan = m_axisY.m_fMax - yLow;
        m_axisX.m_fMin = (zoom.left - m_rcPlot.left) * xSpan / w + xLow;
        m_axisX.m_fMax = (zoom.right - m_rcPlot.left) * xSpan / w + xLow;
        m_axisY.m_fMin = (m_rcPlot.bottom - zoom.bottom) * ySpan / h + yLow;
        m_axisY.m_fMax = (m_rcPlot.bottom - zoom.top) * ySpan / h + yLow;
        CalcPlotRect(m_rcClient);
        m_bAutoRange = 0;
    }
    Repaint();
    CStatic::OnLButtonUp(flags, point);
}

void CPlot::OnLButtonDblClk(UINT flags, CPoint point)
{
    m_bAutoRange = 1;
    // An axis whose data extent is still empty keeps the range it shows: an empty range draws
    // nothing.
    for (AxisData* axis : {&m_axisX, &m_axisY}) {
        if (RangeUsable(axis->m_fDataMin, axis->m_fDataMax)) {
            axis->m_fMin = axis->m_fDataMin;
            axis->m_fMax = axis->m_fDataMax;
        }
    }
    Repaint();
    CStatic::OnLButtonDblClk(flags, point);
}

void CPlot::OnMouseMove(UINT flags, CPoint point)
{
    Repaint();
    CStatic::OnMouseMove(flags, point);
}

}  // namespace RealtimeCurve
