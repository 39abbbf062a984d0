// The window's minimise and close buttons: a 1 x 2 cell grid with a 30-pixel gap; the left cell
// shows a bar and minimises the main window, the right one shows a cross and closes it.
//
// The actions and the glyphs are the free functions of system_button, checked without a window.
#pragma once

#include <vector>

#include "view/COGLGroupBtn.h"

namespace system_button {

inline constexpr int kRows = 1;
inline constexpr int kColumns = 2;
inline constexpr int kRowGap = 0;
inline constexpr int kColumnGap = 30;

enum class Action { None, Minimize, Close };
// Cell 0 minimises, cell 1 closes, any other index does nothing.
Action ActionOf(int index);

struct Segment {
    int x0, y0, x1, y1;
};
// The glyph of a cell: its lines and their width (no lines for cells past the close button).
struct Glyph {
    float lineWidth;
    std::vector<Segment> lines;
};
Glyph GlyphOf(int cell, int hGap, int cellW, int cellH);

}  // namespace system_button

// UI thread only. Acts on the thread's main window.
class CSystemBtn : public COGLGroupBtn {
    DECLARE_DYNAMIC(CSystemBtn)
public:
    CSystemBtn();
    ~CSystemBtn() override;

    void OnItemClick(int index) override;
    void OnPaint();

    DECLARE_MESSAGE_MAP()
};
