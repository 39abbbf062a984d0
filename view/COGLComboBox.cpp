#include "view/COGLComboBox.h"

#include "view/COGLSlider.h"

IMPLEMENT_DYNAMIC(COGLComboBox, COGLStatic)

BEGIN_MESSAGE_MAP(COGLComboBox, COGLStatic)
ON_WM_CREATE()
ON_WM_PAINT()
END_MESSAGE_MAP()

COGLComboBox::COGLComboBox()
{
    m_renderer.AllocateViews(1);
    m_bNavigate = 1;
}

COGLComboBox::~COGLComboBox() = default;

int COGLComboBox::OnCreate(LPCREATESTRUCT cs)
{
    if (COGLStatic::OnCreate(cs) == -1)
        return -1;
    SetViewOneToOne(m_renderer, 0);
    return 0;
}

void COGLComboBox::OnPaint()
{
    CPaintDC dc(this);
    CZelRendererOpenGL& r = m_renderer;
    r.BeginFrame(0u | (21u << 8) | (47u << 16));
    r.SetViewport(0);
    for (int y = 5; y <= 35; y += 10)
        r.DrawRect(1, y, 100, y + 10, 0);
    r.EndFrame();
}
