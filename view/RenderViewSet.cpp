#include "view/RenderViewSet.h"

#include <cstdlib>

RenderViewSet::~RenderViewSet()
{
    delete[] m_pViews;
}

void RenderViewSet::AllocateViews(int count)
{
    delete[] m_pViews;
    m_pViews = new RenderView[count];
    m_nViewCount = count;
}

void RenderViewSet::LayoutView(int view)
{
    m_pViews[view].Layout();
}

void RenderViewSet::Pan(int dx, int dy, int view)
{
    m_pViews[view].Pan(dx, dy);
}

void RenderViewSet::ZoomAt(int x, int y, float zoom, int view)
{
    m_pViews[view].ZoomAt(x, y, zoom);
}

void RenderViewSet::OnDrag(int dx, int dy, int view)
{
    if (m_b3D) {
        if (std::abs(dx) <= std::abs(dy))
            m_fRotX = static_cast<float>(m_fRotX - dy * 0.25);
        else
            m_fRotZ = static_cast<float>(m_fRotZ - dx * 0.25);
    } else {
        Pan(dx, dy, view);
    }
}

void RenderViewSet::OnAltDrag(int dx, int dy)
{
    if (!m_b3D)
        return;
    if (std::abs(dx) > std::abs(dy))
        m_fTransX = static_cast<float>(m_fTransX - dx * 0.1);
    else
        m_fTransZ = static_cast<float>(m_fTransZ + dy * 0.1);
}

void RenderViewSet::OnWheel(int x, int y, int delta, int view)
{
    if (m_b3D) {
        m_fTransY += delta > 0 ? 2.0f : -2.0f;
        return;
    }
    float z = m_pViews[view].zoom;
    if (delta >= 0) {
        if (z > 2.0f)
            z = z * 0.5f;
    } else if (z < 16.0f) {
        z = z * 2.0f;
    }
    ZoomAt(x, y, z, view);
}
