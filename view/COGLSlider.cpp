#include "view/COGLSlider.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/CVantrelApp.h"
#include "foundation/CAppSettings.h"
#include "foundation/CAutoLock.h"
#include "view/CStaticDisplay.h"

namespace colour_bar {

namespace {

bool Contains(const RECT& r, POINT p)
{
    return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// A float truncated toward zero, kept inside int (a far-off pointer must not overflow).
int TruncToInt(float v)
{
    if (std::isnan(v))
        return 0;
    const float limit = 2.0e9f;
    return static_cast<int>(std::clamp(v, -limit, limit));
}

}  // namespace

BarSpan SpanOf(std::uint32_t imageHeight, double barTop, double barBottom)
{
    BarSpan s;
    s.top = static_cast<int>(imageHeight * barTop);
    s.bottom = static_cast<int>(imageHeight * barBottom);
    s.length = s.bottom - s.top;
    return s;
}

int MarkerY(const BarSpan& span, double position)
{
    return static_cast<int>(span.length * position + span.top);
}

double MarkerPosition(std::uint16_t raw, std::uint16_t low, std::uint16_t high)
{
    if (high <= low)
        return 0.0;
    const float above = static_cast<float>(static_cast<int>(high) - static_cast<int>(raw));
    const float range = static_cast<float>(static_cast<int>(high) - static_cast<int>(low));
    return above / range;
}

int RawAtPosition(double position, std::uint16_t low, std::uint16_t high)
{
    const float range = static_cast<float>(static_cast<int>(high) - static_cast<int>(low));
    return TruncToInt(range * (1.0f - static_cast<float>(position)) + static_cast<float>(low));
}

std::uint16_t ClampRaw(int raw)
{
    return static_cast<std::uint16_t>(std::clamp(raw, 0, 0xFFFF));
}

int PickMarker(int y, int yHigh, int yLow, int yThreshold)
{
    if (y >= yHigh - kPickReach && y < yHigh)
        return kWindowHigh;
    if (y >= yLow && y < yLow + kPickReach)
        return kWindowLow;
    if (y >= yThreshold - kPickReach && y < yThreshold + kPickReach)
        return kThreshold;
    return -1;
}

bool DragWindowMarker(int picked, int pointerY, const BarSpan& span, double positions[kMarkerCount])
{
    if (picked != kWindowHigh && picked != kWindowLow)
        return false;
    const bool inside = span.top <= pointerY && pointerY < span.bottom;
    if (!inside || span.length <= 0)
        return false;
    const int yHigh = MarkerY(span, positions[kWindowHigh]);
    const int yLow = MarkerY(span, positions[kWindowLow]);
    bool move = true;
    if (yHigh + kMinGap >= yLow) {
        // Too close: each marker may only move away from the other.
        move = (picked == kWindowLow && pointerY > yLow) || (picked == kWindowHigh && pointerY < yHigh);
    }
    if (!move)
        return false;
    const double position = static_cast<double>(pointerY - span.top) / span.length;
    const bool changed = positions[picked] != position;
    positions[picked] = position;
    return changed;
}

std::uint16_t WindowEndAt(double position, std::uint16_t low, std::uint16_t high)
{
    return ClampRaw(RawAtPosition(position, low, high));
}

std::optional<std::uint16_t> DragThreshold(int pointerY, const BarSpan& span, double positions[kMarkerCount],
                                           std::uint16_t low, std::uint16_t high)
{
    if (span.length <= 0)
        return std::nullopt;
    positions[kThreshold] = static_cast<double>(pointerY - span.top) / span.length;
    const int threshold = RawAtPosition(positions[kThreshold], low, high);
    if (threshold > high) {
        positions[kThreshold] = 0.0;
        return high;
    }
    return ClampRaw(threshold);
}

void AddWindowOffsets(std::int16_t offsets[2], std::uint16_t oldLow, std::uint16_t oldHigh, std::uint16_t newLow,
                      std::uint16_t newHigh)
{
    offsets[0] = static_cast<std::int16_t>(offsets[0] + (static_cast<int>(newLow) - static_cast<int>(oldLow)));
    offsets[1] = static_cast<std::int16_t>(offsets[1] + (static_cast<int>(newHigh) - static_cast<int>(oldHigh)));
}

int WheelEnd(POINT client, const RECT& clientRect)
{
    const RECT top{clientRect.left, clientRect.top, clientRect.right, clientRect.top + kWheelBand};
    const RECT bottom{clientRect.left, clientRect.bottom - kWheelBand, clientRect.right, clientRect.bottom};
    if (Contains(top, client))
        return 1;
    if (Contains(bottom, client))
        return 0;
    return -1;
}

double WheelStep(int delta)
{
    return delta >= 1 ? 1.0 : -1.0;
}

ViewRect IconTarget(int icon, const RECT& clientRect)
{
    ViewRect t;
    t.x = clientRect.right - kIconSize;
    t.y = clientRect.bottom - kIconPitch * icon;
    t.w = kIconSize;
    t.h = kIconSize;
    return t;
}

RECT IconRect(const ViewRect& target, const RECT& clientRect)
{
    const int top = clientRect.bottom - target.y - kIconSize;
    return RECT{target.x, top, target.x + kIconSize, top + kIconSize};
}

int HitIcon(POINT client, const RECT& clientRect)
{
    for (int icon = 1; icon < kViewCount; ++icon) {
        if (Contains(IconRect(IconTarget(icon, clientRect), clientRect), client))
            return icon;
    }
    return 0;
}

int IconSetting(int icon)
{
    switch (icon) {
    case 2:
        return SETTING_TemptureAlarm;
    case 3:
        return SETTING_AutoMaxTempture;
    case 4:
        return SETTING_MouseTempture;
    default:
        return -1;
    }
}

}  // namespace colour_bar

void SetViewOneToOne(CZelRendererOpenGL& renderer, int view)
{
    RenderView& v = renderer.m_pViews[view];
    v.imageWidth = static_cast<std::uint32_t>(std::max(v.target.w, 0));
    v.imageHeight = static_cast<std::uint32_t>(std::max(v.target.h, 0));
    v.zoom = 1.0f;
    v.pan = POINT{0, 0};
    renderer.LayoutView(view);
}

namespace {

CStaticDisplay* g_pMainDisplay = nullptr;

// The frame coloured for the shown image is limited to view 0's rectangles in ROI Check mode.
constexpr int kRoiCheckMode = 3;

void DrawLabel(CZelRendererOpenGL& r, std::uint16_t raw, int x, int y)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", ZelColorMap::RawToCelsius(raw));
    r.DrawAsciiText(text, x, y, 0);
}

}  // namespace

IMPLEMENT_DYNAMIC(COGLSlider, COGLStatic)

BEGIN_MESSAGE_MAP(COGLSlider, COGLStatic)
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
ON_WM_MOUSEMOVE()
ON_WM_CREATE()
ON_WM_LBUTTONUP()
ON_WM_MOUSEHWHEEL()
ON_WM_MOUSEWHEEL()
ON_WM_CTLCOLOR()
ON_WM_SIZE()
END_MESSAGE_MAP()

COGLSlider::COGLSlider()
{
    m_renderer.AllocateViews(colour_bar::kViewCount);
    m_bNavigate = 1;
}

COGLSlider::~COGLSlider() = default;

void COGLSlider::SetMainDisplay(CStaticDisplay* display)
{
    g_pMainDisplay = display;
}

CStaticDisplay* COGLSlider::GetMainDisplay()
{
    return g_pMainDisplay;
}

void COGLSlider::SetColorMode(int mode)
{
    CIRDataCapture& capture = theApp.m_capture;
    capture.m_nColorMode = mode;
    CStaticDisplay* display = g_pMainDisplay;
    if (!display)
        return;
    {
        // The records lock keeps this colouring apart from the display worker's.
        CAutoLock displayLock(&display->m_lockDisplay);
        CAutoLock records(&capture.m_lockRecords);
        const RectShapeList* rects =
            display->m_nDisplayMode == kRoiCheckMode ? &display->m_renderer.m_pViews[0].rects : nullptr;
        capture.ColorizeFrame(display->m_pImage, rects);
    }
    if (display->GetSafeHwnd())
        display->Invalidate(FALSE);
}

colour_bar::BarSpan COGLSlider::Span() const
{
    return colour_bar::SpanOf(m_renderer.m_pViews[0].imageHeight, m_dBarTop, m_dBarBottom);
}

int COGLSlider::MarkerY(int marker) const
{
    return colour_bar::MarkerY(Span(), m_dMarkerPos[marker]);
}

void COGLSlider::UpdateMarkers(int)
{
    if (m_pColorMap) {
        const ZelColorMap& map = *m_pColorMap;
        const std::uint16_t low = map.m_nRangeLow;
        const std::uint16_t high = map.m_nRangeHigh;
        const std::uint16_t values[colour_bar::kMarkerCount] = {map.m_nDisplayHigh, map.m_nDisplayLow, map.m_nAlarm,
                                                                map.m_nFrameMax, map.m_nFrameMin};
        for (int k = 0; k < colour_bar::kMarkerCount; ++k)
            m_dMarkerPos[k] = colour_bar::MarkerPosition(values[k], low, high);
    }
    if (GetSafeHwnd())
        Invalidate();
}

void COGLSlider::PlaceViews()
{
    CRect client;
    GetClientRect(&client);
    m_renderer.m_pViews[0].target = ViewRect{0, 0, client.Width(), client.Height()};
    SetViewOneToOne(m_renderer, 0);
    for (int icon = 1; icon < colour_bar::kViewCount; ++icon) {
        m_renderer.m_pViews[icon].target = colour_bar::IconTarget(icon, client);
        m_renderer.LayoutView(icon);
        SetViewOneToOne(m_renderer, icon);
    }
}

int COGLSlider::OnCreate(LPCREATESTRUCT cs)
{
    if (COGLStatic::OnCreate(cs) == -1)
        return -1;
    m_brushBk.DeleteObject();
    m_brushBk.CreateSolidBrush(RGB(0, 0, 0));
    m_dBarTop = colour_bar::kBarTop;
    m_dBarBottom = colour_bar::kBarBottom;
    m_dMarkerPos[colour_bar::kWindowHigh] = colour_bar::kBarTop;
    m_dMarkerPos[colour_bar::kWindowLow] = colour_bar::kBarBottom;
    if (m_pColorMap)
        m_dMarkerPos[colour_bar::kThreshold] =
            colour_bar::MarkerPosition(m_pColorMap->m_nAlarm, m_pColorMap->m_nRangeLow, m_pColorMap->m_nRangeHigh);
    PlaceViews();
    for (int icon = 2; icon < colour_bar::kViewCount; ++icon)
        m_bIcon[icon] = theApp.m_settings[colour_bar::IconSetting(icon)].value.nValue;
    return 0;
}

HBRUSH COGLSlider::OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor)
{
    COGLStatic::OnCtlColor(dc, wnd, ctlColor);
    return m_brushBk;
}

void COGLSlider::OnSize(UINT type, int cx, int cy)
{
    COGLStatic::OnSize(type, cx, cy);
    PlaceViews();
}

void COGLSlider::OnLButtonDown(UINT flags, CPoint point)
{
    m_nPicked = colour_bar::PickMarker(point.y, MarkerY(colour_bar::kWindowHigh), MarkerY(colour_bar::kWindowLow),
                                       MarkerY(colour_bar::kThreshold));
    if (m_nPicked >= 0)
        Invalidate();
    CRect client;
    GetClientRect(&client);
    const int icon = colour_bar::HitIcon(point, client);
    if (icon > 0) {
        m_bIcon[icon] = m_bIcon[icon] ? 0 : 1;
        const int setting = colour_bar::IconSetting(icon);
        if (setting >= 0)
            theApp.m_settings[setting].value.nValue = m_bIcon[icon];
    }
    COGLStatic::OnLButtonDown(flags, point);
}

void COGLSlider::DragWindow(int pointerY)
{
    colour_bar::DragWindowMarker(m_nPicked, pointerY, Span(), m_dMarkerPos);
    if (!m_pColorMap)
        return;
    ZelColorMap& map = *m_pColorMap;
    {
        // Released before the display is coloured again: the display's locks come first.
        CAutoLock lock(&map.m_lock);
        const std::uint16_t low = map.m_nRangeLow;
        const std::uint16_t high = map.m_nRangeHigh;
        const std::uint16_t oldLow = map.m_nDisplayLow;
        const std::uint16_t oldHigh = map.m_nDisplayHigh;
        const std::uint16_t newHigh = colour_bar::WindowEndAt(m_dMarkerPos[colour_bar::kWindowHigh], low, high);
        const std::uint16_t newLow = colour_bar::WindowEndAt(m_dMarkerPos[colour_bar::kWindowLow], low, high);
        map.m_nDisplayHigh = newHigh;
        map.m_nDisplayLow = newLow;
        CIRDataCapture& capture = theApp.m_capture;
        colour_bar::AddWindowOffsets(capture.m_winOffset[capture.m_nColorMode == 0 ? 0 : 1], oldLow, oldHigh, newLow,
                                     newHigh);
        map.BuildLut();
    }
    if (g_pMainDisplay)
        g_pMainDisplay->RefreshImage(true);
}

void COGLSlider::OnMouseMove(UINT flags, CPoint point)
{
    if (m_bPressed) {
        if (m_nPicked == colour_bar::kWindowHigh || m_nPicked == colour_bar::kWindowLow) {
            DragWindow(point.y);
            Invalidate();
        } else if (m_nPicked == colour_bar::kThreshold && m_pColorMap) {
            if (const auto threshold = colour_bar::DragThreshold(point.y, Span(), m_dMarkerPos,
                                                                 m_pColorMap->m_nRangeLow, m_pColorMap->m_nRangeHigh))
                m_pColorMap->m_nAlarm = *threshold;
            Invalidate();
        }
    }
    COGLStatic::OnMouseMove(flags, point);
}

void COGLSlider::OnLButtonUp(UINT flags, CPoint point)
{
    m_nPicked = -1;
    Invalidate();
    COGLStatic::OnLButtonUp(flags, point);
}

BOOL COGLSlider::OnMouseWheel(UINT flags, short delta, CPoint point)
{
    if (GetKeyState(VK_CONTROL) < 0 && m_pColorMap) {
        CPoint client = point;
        ScreenToClient(&client);
        CRect rect;
        GetClientRect(&rect);
        const int end = colour_bar::WheelEnd(client, rect);
        if (end >= 0) {
            {
                CAutoLock lock(&m_pColorMap->m_lock);
                m_pColorMap->AdjustTempRange(end, colour_bar::WheelStep(delta));
                m_pColorMap->BuildLut();
            }
            UpdateMarkers(0);
        }
    }
    return COGLStatic::OnMouseWheel(flags, delta, point);
}

void COGLSlider::OnPaint()
{
    CPaintDC dc(this);
    CAutoLock lock(&m_lockDraw);
    m_renderer.BeginFrame(2u | (32u << 8) | (50u << 16));
    m_renderer.SetViewport(0);
    if (m_pColorMap)
        DrawBar();
    DrawIcons();
    m_renderer.EndFrame();
}

void COGLSlider::DrawBar()
{
    CZelRendererOpenGL& r = m_renderer;
    ZelColorMap& map = *m_pColorMap;
    const colour_bar::BarSpan span = Span();
    const int yHigh = MarkerY(colour_bar::kWindowHigh);
    const int yLow = MarkerY(colour_bar::kWindowLow);

    glLineWidth(5.0f);
    glColor3f(0.4f, 0.4f, 0.4f);
    r.DrawLine(45, span.bottom, 45, span.top, 0);
    const std::uint32_t palette = map.m_nCurPalette;
    if (palette < map.m_nPaletteCount && map.m_pPalette && map.m_pPaletteSizes[palette] >= 2)
        r.DrawColorStrip(45, yLow, 45, yHigh, map.m_pPalette + 3 * static_cast<std::size_t>(map.GetPaletteOffset(-1)),
                         map.m_pPaletteSizes[palette], 0);

    const std::uint16_t frameEnds[2] = {map.m_nFrameMax, map.m_nFrameMin};
    const std::uint16_t rangeEnds[2] = {map.m_nRangeHigh, map.m_nRangeLow};
    const std::uint16_t windowEnds[2] = {map.m_nDisplayHigh, map.m_nDisplayLow};
    const int rangeLabelY[2] = {span.top - 10, span.bottom + 25};
    for (int i = 0; i < 2; ++i) {
        const int d = i == 0 ? -10 : 10;
        const int yFrame = MarkerY(colour_bar::kFrameMax + i);
        const int y = MarkerY(colour_bar::kWindowHigh + i);
        glLineWidth(1.0f);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        r.DrawCircle(45.0f, static_cast<float>(yFrame), 5.0f, 100, 0);
        if (m_nPicked == i)
            glColor3f(1.0f, 0.0f, 0.0f);
        else
            glColor3f(1.0f, 1.0f, 1.0f);
        const POINT triangle[3] = {{45, y}, {70, y + d}, {70, y}};
        r.DrawPolygon(triangle, 3, 0);
        glColor3f(1.0f, 1.0f, 1.0f);
        DrawLabel(r, frameEnds[i], 5, yFrame + d);
        DrawLabel(r, rangeEnds[i], 30, rangeLabelY[i]);
        DrawLabel(r, windowEnds[i], 75, y + d);
    }

    if (m_bIcon[2]) {
        if (m_nPicked == colour_bar::kThreshold)
            glColor3f(1.0f, 0.0f, 0.0f);
        else
            glColor3f(1.0f, 1.0f, 1.0f);
        const int y2 = MarkerY(colour_bar::kThreshold);
        r.DrawRect(50, y2 - 5, 11, 11, 0);
        r.DrawLine(60, y2 - 5, 65, y2 - 11, 0);
        r.DrawLine(65, y2 - 11, 65, y2 + 11, 0);
        r.DrawLine(65, y2 + 11, 60, y2 + 5, 0);
        r.DrawLine(45, y2, 55, y2, 0);
        glColor3f(1.0f, 1.0f, 1.0f);
        DrawLabel(r, map.m_nAlarm, 70, y2 + 5);
    }
}

void COGLSlider::DrawIcons()
{
    CZelRendererOpenGL& r = m_renderer;
    // Unit: a faint square with a small circle and a C, read as a degree sign and C.
    r.SetViewport(1);
    glColor4f(0.0f, 1.0f, 1.0f, 0.2f);
    r.FillRect(0, 0, 20, 20, 1);
    r.SetColor(255, 255, 255);
    r.DrawMultiByteText("。", 0, 12, 200, 1);
    r.DrawAsciiText("C", 8, 18, 1);

    // Alarm: a small loudspeaker.
    r.SetViewport(2);
    r.DrawRect(6, 6, 9, 9, 2);
    r.DrawLine(14, 6, 18, 1, 2);
    r.DrawLine(18, 1, 18, 19, 2);
    r.DrawLine(18, 19, 14, 14, 2);
    r.DrawLine(0, 10, 10, 10, 2);
    if (!m_bIcon[2])
        r.DrawLine(0, 0, 20, 20, 2);

    // Hottest pixel: a circle with a cross.
    r.SetViewport(3);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    r.DrawCircle(10.0f, 10.0f, 6.0f, 20, 3);
    r.DrawCross(10, 10, 9, 3);
    if (!m_bIcon[3])
        r.DrawLine(0, 0, 20, 20, 3);

    // Temperature under the mouse: a cross.
    r.SetViewport(4);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    r.DrawCross(10, 10, 9, 4);
    if (!m_bIcon[4])
        r.DrawLine(0, 0, 20, 20, 4);
}
