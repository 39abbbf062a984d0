#include "view/COGLCircleColorMap.h"

#include <GL/gl.h>

#include <algorithm>
#include <array>
#include <utility>

#include "acquisition/ZelColorMap.h"
#include "app/CVantrelApp.h"
#include "platform/user/CWinApp.h"
#include "view/COGLSlider.h"

namespace palette_picker {

namespace {

constexpr std::uint32_t kGreyEntries = 1024;

// RGB triples widened to the wheel's 4-byte entries.
template <std::size_t N>
std::array<std::uint8_t, 4 * N> Widen(const std::uint8_t (&rgb)[3 * N])
{
    std::array<std::uint8_t, 4 * N> words{};
    for (std::size_t i = 0; i < N; ++i) {
        words[4 * i] = rgb[3 * i];
        words[4 * i + 1] = rgb[3 * i + 1];
        words[4 * i + 2] = rgb[3 * i + 2];
    }
    return words;
}

std::array<std::uint8_t, 4 * kGreyEntries> GreyRamp()
{
    std::array<std::uint8_t, 4 * kGreyEntries> words{};
    for (std::uint32_t k = 0; k < kGreyEntries; ++k) {
        const auto level = static_cast<std::uint8_t>(k / 4);
        words[4 * k] = words[4 * k + 1] = words[4 * k + 2] = level;
    }
    return words;
}

}  // namespace

POINT WheelCenter(int wheel, int centerX, int centerY, int radius)
{
    return POINT{centerX + wheel * (4 * radius + 5), centerY};
}

int FirstCenter(int width, int height)
{
    return std::min(width, height) / 2;
}

int PickWheel(POINT client, int centerX, int centerY, int radius)
{
    for (int wheel = 0; wheel < kWheelCount; ++wheel) {
        const POINT c = WheelCenter(wheel, centerX, centerY, radius);
        if (client.x >= c.x - radius && client.x < c.x + radius && client.y >= c.y - radius && client.y < c.y + radius)
            return wheel;
    }
    return -1;
}

WheelColours ColoursOf(int wheel)
{
    static const auto iron = Widen<256>(ZelColorMap::kPalette0);
    static const auto grey = GreyRamp();
    static const auto stops = Widen<6>(ZelColorMap::kPalette2);
    switch (wheel) {
    case 0:
        return WheelColours{iron.data(), 256};
    case 1:
        return WheelColours{grey.data(), kGreyEntries};
    default:
        return WheelColours{stops.data(), 6};
    }
}

Ring RingOf(int wheel)
{
    return wheel == 2 ? Ring{2, 3000} : Ring{3, 500};
}

}  // namespace palette_picker

namespace {

std::function<void(CWnd*)>& RefreshViewsHook()
{
    static std::function<void(CWnd*)> hook;
    return hook;
}

}  // namespace

IMPLEMENT_DYNAMIC(COGLCircleColorMap, COGLStatic)

BEGIN_MESSAGE_MAP(COGLCircleColorMap, COGLStatic)
ON_WM_CREATE()
ON_WM_PAINT()
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

COGLCircleColorMap::COGLCircleColorMap()
{
    m_renderer.AllocateViews(1);
    m_bNavigate = 1;
}

COGLCircleColorMap::~COGLCircleColorMap() = default;

void COGLCircleColorMap::SetRefreshViews(std::function<void(CWnd*)> refresh)
{
    RefreshViewsHook() = std::move(refresh);
}

int COGLCircleColorMap::OnCreate(LPCREATESTRUCT cs)
{
    if (COGLStatic::OnCreate(cs) == -1)
        return -1;
    SetViewOneToOne(m_renderer, 0);
    m_nRadius = palette_picker::kRadius;
    const RenderView& v = m_renderer.m_pViews[0];
    m_nCenterX = m_nCenterY = palette_picker::FirstCenter(v.target.w, v.target.h);
    return 0;
}

void COGLCircleColorMap::OnPaint()
{
    CPaintDC dc(this);
    CZelRendererOpenGL& r = m_renderer;
    r.BeginFrame(1u | (12u << 8) | (21u << 16));
    r.SetViewport(0);
    for (int wheel = 0; wheel < palette_picker::kWheelCount; ++wheel) {
        const POINT c = palette_picker::WheelCenter(wheel, m_nCenterX, m_nCenterY, m_nRadius);
        const palette_picker::WheelColours colours = palette_picker::ColoursOf(wheel);
        r.DrawColorWheel(static_cast<float>(c.x), static_cast<float>(c.y), static_cast<float>(m_nRadius), colours.words,
                         colours.count, 1.5707963f, 0);
        if (wheel == m_nSelected) {
            const palette_picker::Ring ring = palette_picker::RingOf(wheel);
            glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
            r.DrawCircle(static_cast<float>(c.x), static_cast<float>(c.y), static_cast<float>(m_nRadius + ring.extra),
                         ring.segments, 0);
            glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        }
    }
    r.EndFrame();
}

void COGLCircleColorMap::OnLButtonDown(UINT flags, CPoint point)
{
    const int wheel = palette_picker::PickWheel(point, m_nCenterX, m_nCenterY, m_nRadius);
    if (wheel >= 0) {
        m_nSelected = wheel;
        theApp.m_capture.m_colorMap.m_nCurPalette = static_cast<std::uint32_t>(wheel);
        if (RefreshViewsHook())
            RefreshViewsHook()(AfxGetMainWnd());
        Invalidate();
    }
    COGLStatic::OnLButtonDown(flags, point);
}
