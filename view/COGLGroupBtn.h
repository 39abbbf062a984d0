// A grid of clickable cells drawn with OpenGL: rows x columns cells of equal size with gaps
// between rows and between columns; a press on a cell reports its index (row x columns + column)
// through OnItemClick. Presses in the gaps, or in the remainder pixels at the right and bottom
// edges that the integer cell size leaves over, hit nothing.
//
// The cell arithmetic is the free functions of cell_grid, checked without a window.
#pragma once

#include "platform/kernel/win_types.h"
#include "view/COGLStatic.h"

namespace cell_grid {

// The size of one cell along an axis of `extent` pixels holding `count` cells with `gap` pixels
// between neighbours (signed integer division).
int CellSize(int extent, int count, int gap);
// The cell at (row, column): right and bottom edges excluded.
RECT CellRect(int row, int column, int cellW, int cellH, int vGap, int hGap);
// The index (row x columns + column) of the cell holding the point, or -1.
int HitCell(POINT client, int rows, int columns, int cellW, int cellH, int vGap, int hGap);

}  // namespace cell_grid

// UI thread only. Rows and columns are positive; the cell size is computed at creation.
class COGLGroupBtn : public COGLStatic {
    DECLARE_DYNAMIC(COGLGroupBtn)
public:
    COGLGroupBtn(int rows, int columns, int vGap, int hGap);
    ~COGLGroupBtn() override;

    // A cell was clicked; index = row x columns + column. Does nothing here.
    virtual void OnItemClick(int index) {}

    int m_nCellW = 0;
    int m_nCellH = 0;
    int m_nClicked = -1;  // the last clicked cell, -1 before the first click
    int m_nVGap;
    int m_nHGap;
    int m_nRows;
    int m_nCols;

    int OnCreate(LPCREATESTRUCT cs);
    void OnLButtonDown(UINT flags, CPoint point);

    DECLARE_MESSAGE_MAP()
};
