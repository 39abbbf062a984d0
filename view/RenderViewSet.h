// The views of a renderer and its 3D camera, with the navigation steps that act on them: layout,
// pan, zoom at a point, and the drag and wheel steps (which move the camera in 3D). The OpenGL
// renderer derives from it; the shape editor works on it without needing a rendering context.
#pragma once

#include "view/RenderView.h"

class RenderViewSet {
public:
    RenderViewSet() = default;
    // Destroys the views with their shapes.
    ~RenderViewSet();
    RenderViewSet(const RenderViewSet&) = delete;
    RenderViewSet& operator=(const RenderViewSet&) = delete;

    // Replaces the views by count fresh records.
    void AllocateViews(int count);

    void LayoutView(int view);
    void Pan(int dx, int dy, int view);
    void ZoomAt(int x, int y, float zoom, int view);
    // 3D: rotates the camera; 2D: pans the view.
    void OnDrag(int dx, int dy, int view);
    // 3D only: moves the camera sideways or up and down.
    void OnAltDrag(int dx, int dy);
    // 3D: dollies the camera; 2D: halves or doubles the zoom (within 2 to 16) at the point.
    void OnWheel(int x, int y, int delta, int view);

    RenderView* m_pViews = nullptr;
    int m_nViewCount = 1;
    float m_fRotX = 0.0f;
    float m_fRotY = 0.0f;
    float m_fRotZ = 0.0f;
    float m_fTransX = 0.0f;
    float m_fTransY = 0.0f;
    float m_fTransZ = 0.0f;
    int m_b3D = 0;
    int m_bGrid = 0;
};
