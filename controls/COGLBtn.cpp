#include "controls/COGLBtn.h"

#include "controls/CZelHeteromorphicBtn.h"
#include "view/COGLSlider.h"

IMPLEMENT_DYNAMIC(COGLBtn, CButton)

BEGIN_MESSAGE_MAP(COGLBtn, CButton)
    ON_WM_CREATE()
END_MESSAGE_MAP()

COGLBtn::COGLBtn() { m_renderer.AllocateViews(1); }

COGLBtn::~COGLBtn() = default;

BOOL COGLBtn::PreTranslateMessage(MSG* msg)
{
    CZelHeteromorphicBtn::PressOnDoubleClick(msg, m_hWnd);
    return CButton::PreTranslateMessage(msg);
}

int COGLBtn::OnCreate(LPCREATESTRUCT cs)
{
    if (CButton::OnCreate(cs) == -1)
        return -1;
    SetButtonStyle((GetButtonStyle() & ~0x0Bu) | BS_OWNERDRAW, TRUE);
    m_renderer.Init(::GetDC(m_hWnd));
    CRect client;
    GetClientRect(&client);
    for (int i = 0; i < m_renderer.m_nViewCount; ++i) {
        m_renderer.m_pViews[i].target = ViewRect{0, 0, client.Width(), client.Height()};
        m_renderer.LayoutView(i);
        SetViewOneToOne(m_renderer, i);
    }
    return 0;
}

void COGLBtn::DrawItem(LPDRAWITEMSTRUCT drawItem)
{
    CRect client;
    GetClientRect(&client);
    const int width = client.Width();
    const int height = client.Height();
    const int pressed = (drawItem->itemState & ODS_SELECTED) ? 1 : 0;
    m_renderer.BeginFrame(0x1F1F1F1Fu);
    m_renderer.SetColor(pressed ? 3 : 255, 126, 195);
    m_renderer.DrawRect(1, 1, width - 1, height - 1, 0);
    m_renderer.SetFont(23, DEFAULT_CHARSET, "微软雅黑");
    m_renderer.SetColor(255, 255, 255);
    m_renderer.DrawMultiByteText("微软雅黑", width / 2 + pressed, height / 2 + 20 + pressed, 200, 0);
    m_renderer.EndFrame();
}
