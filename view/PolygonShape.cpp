#include "view/PolygonShape.h"

void PolygonShape::UpdateMask()
{
    if (m_points.size() >= 3)
        PolygonMask::BuildSpans(m_points.data(), static_cast<std::uint32_t>(m_points.size()), &m_mask);
}

void PolygonShape::Offset(int dx, int dy)
{
    for (POINT& p : m_points) {
        p.x += dx;
        p.y += dy;
    }
    UpdateMask();
}
