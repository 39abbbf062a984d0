#include "view/CSystemBtn.h"

#include <GL/gl.h>

#include "platform/user/CWinApp.h"

namespace system_button {

Action ActionOf(int index)
{
    switch (index) {
    case 0:
        return Action::Minimize;
    case 1:
        return Action::Close;
    default:
        return Action::None;
    }
}

Glyph GlyphOf(int cell, int hGap, int cellW, int cellH)
{
    const int x0 = (hGap + cellW) * cell + 2;
    const int x1 = x0 + cellW - 4;
    if (cell == 0) {
        const int y = ((cellH - 4) >> 1) + 2;
        return Glyph{3.0f, {{x0, y, x1, y}}};
    }
    if (cell == 1)
        return Glyph{4.0f, {{x0, 3, x1, cellH - 3}, {x1, 3, x0, cellH - 3}}};
    return Glyph{3.0f, {}};
}

}  // namespace system_button

IMPLEMENT_DYNAMIC(CSystemBtn, COGLGroupBtn)

BEGIN_MESSAGE_MAP(CSystemBtn, COGLGroupBtn)
ON_WM_PAINT()
END_MESSAGE_MAP()

CSystemBtn::CSystemBtn()
    : COGLGroupBtn(system_button::kRows, system_button::kColumns, system_button::kRowGap, system_button::kColumnGap)
{
}

CSystemBtn::~CSystemBtn() = default;

void CSystemBtn::OnItemClick(int index)
{
    using system_button::Action;
    CWnd* main = AfxGetMainWnd();
    if (!main)
        return;
    switch (system_button::ActionOf(index)) {
    case Action::Minimize:
        main->ShowWindow(SW_SHOWMINIMIZED);
        break;
    case Action::Close:
        main->SendMessage(WM_CLOSE);
        break;
    case Action::None:
        break;
    }
}

void CSystemBtn::OnPaint()
{
    CPaintDC dc(this);
    CZelRendererOpenGL& r = m_renderer;
    r.BeginFrame(0u | (21u << 8) | (47u << 16));
    r.SetViewport(0);
    // The lines take the context's current colour, which this control never sets.
    for (int cell = 0; cell < m_nCols; ++cell) {
        const system_button::Glyph glyph = system_button::GlyphOf(cell, m_nHGap, m_nCellW, m_nCellH);
        glLineWidth(glyph.lineWidth);
        for (const system_button::Segment& s : glyph.lines)
            r.DrawLine(s.x0, s.y0, s.x1, s.y1, 0);
    }
    r.EndFrame();
}
