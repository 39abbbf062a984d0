#include "view/COGLGroupBtn.h"

#include "view/COGLSlider.h"

namespace cell_grid {

int CellSize(int extent, int count, int gap)
{
    return (extent - (count - 1) * gap) / count;
}

RECT CellRect(int row, int column, int cellW, int cellH, int vGap, int hGap)
{
    const int left = column * (hGap + cellW);
    const int top = row * (vGap + cellH);
    return RECT{left, top, left + cellW, top + cellH};
}

int HitCell(POINT client, int rows, int columns, int cellW, int cellH, int vGap, int hGap)
{
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const RECT cell = CellRect(r, c, cellW, cellH, vGap, hGap);
            if (client.x >= cell.left && client.x < cell.right && client.y >= cell.top && client.y < cell.bottom)
                return r * columns + c;
        }
    }
    return -1;
}

}  // namespace cell_grid

IMPLEMENT_DYNAMIC(COGLGroupBtn, COGLStatic)

BEGIN_MESSAGE_MAP(COGLGroupBtn, COGLStatic)
ON_WM_CREATE()
ON_WM_LBUTTONDOWN()
END_MESSAGE_MAP()

COGLGroupBtn::COGLGroupBtn(int rows, int columns, int vGap, int hGap)
    : m_nVGap(vGap), m_nHGap(hGap), m_nRows(rows), m_nCols(columns)
{
    m_renderer.AllocateViews(1);
    m_bNavigate = 1;
}

COGLGroupBtn::~COGLGroupBtn() = default;

int COGLGroupBtn::OnCreate(LPCREATESTRUCT cs)
{
    if (COGLStatic::OnCreate(cs) == -1)
        return -1;
    SetViewOneToOne(m_renderer, 0);
    const RenderView& v = m_renderer.m_pViews[0];
    m_nCellW = cell_grid::CellSize(v.target.w, m_nCols, m_nHGap);
    m_nCellH = cell_grid::CellSize(v.target.h, m_nRows, m_nVGap);
    return 0;
}

void COGLGroupBtn::OnLButtonDown(UINT flags, CPoint point)
{
    const int index = cell_grid::HitCell(point, m_nRows, m_nCols, m_nCellW, m_nCellH, m_nVGap, m_nHGap);
    if (index >= 0) {
        m_nClicked = index;
        OnItemClick(index);
        // The click may have destroyed the window (a close); only a live one is repainted.
        if (::IsWindow(m_hWnd))
            Invalidate();
    }
    if (::IsWindow(m_hWnd))
        COGLStatic::OnLButtonDown(flags, point);
}
