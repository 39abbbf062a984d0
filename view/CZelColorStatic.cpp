#include "view/CZelColorStatic.h"

#include "view/COGLSlider.h"

IMPLEMENT_DYNAMIC(CZelColorStatic, COGLStatic)

BEGIN_MESSAGE_MAP(CZelColorStatic, COGLStatic)
ON_WM_PAINT()
ON_WM_CREATE()
END_MESSAGE_MAP()

// Three views, of which only view 0 is drawn in; the label edits nothing, so presses reach the
// base's editing with no tool.
CZelColorStatic::CZelColorStatic()
{
    m_renderer.AllocateViews(3);
}

CZelColorStatic::~CZelColorStatic() = default;

int CZelColorStatic::OnCreate(LPCREATESTRUCT cs)
{
    if (COGLStatic::OnCreate(cs) == -1)
        return -1;
    SetViewOneToOne(m_renderer, 0);
    return 0;
}

void CZelColorStatic::OnPaint()
{
    CPaintDC dc(this);
    CString text;
    GetWindowText(text);
    CZelRendererOpenGL& r = m_renderer;
    r.BeginFrame(0u | (0u << 8) | (0u << 16) | (255u << 24));
    r.SetViewport(0);
    r.SetColor(255, 0, 0);
    r.DrawMultiByteText(text.GetString(), 10, static_cast<int>(m_renderer.m_pViews[0].imageHeight) - 5, 200, 0);
    r.EndFrame();
}
