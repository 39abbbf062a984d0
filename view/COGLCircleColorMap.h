// The palette picker: the colour map's three palettes as three colour wheels side by side; a
// click on a wheel's square makes its palette the current one and has the main window re-colour
// its views. The picked wheel wears a white ring.
//
// The geometry (centres, pick squares, rings) and the wheels' colour tables are the free
// functions of palette_picker, checked without a window.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/kernel/win_types.h"
#include "view/COGLStatic.h"

namespace palette_picker {

inline constexpr int kWheelCount = 3;
inline constexpr int kRadius = 15;

// The centre of wheel i: 4 r + 5 pixels to the right of the one before.
POINT WheelCenter(int wheel, int centerX, int centerY, int radius);
// The first centre's x and y for a control of this size: half the shorter side.
int FirstCenter(int width, int height);
// The wheel whose square [centre - r, centre + r) holds the point, or -1.
int PickWheel(POINT client, int centerX, int centerY, int radius);

// A wheel's colours, 4 bytes an entry (red, green, blue, unused).
struct WheelColours {
    const std::uint8_t* words;
    std::uint32_t count;
};
// Wheel 0 the palette-0 colours (256), wheel 1 a grey ramp of 1024 entries (each level four
// times), wheel 2 the six stops of palette 2.
WheelColours ColoursOf(int wheel);

// The white ring around the selected wheel: its radius beyond the wheel's and its segments.
struct Ring {
    int extra;
    std::uint32_t segments;
};
Ring RingOf(int wheel);

}  // namespace palette_picker

// UI thread only. A pick sets the capture's colour map's current palette.
class COGLCircleColorMap : public COGLStatic {
    DECLARE_DYNAMIC(COGLCircleColorMap)
public:
    COGLCircleColorMap();
    ~COGLCircleColorMap() override;

    // What a pick asks of the main window (it re-colours its frame, repaints the colour bar and
    // the display and reloads its thumbnails). The main window sets it when it creates the
    // picker; it is called with the thread's main window (which may be null).
    static void SetRefreshViews(std::function<void(CWnd* mainWnd)> refresh);

    int m_nCenterX = 0;
    int m_nCenterY = 0;
    int m_nRadius = palette_picker::kRadius;
    int m_nSelected = 0;

    int OnCreate(LPCREATESTRUCT cs);
    void OnPaint();
    void OnLButtonDown(UINT flags, CPoint point);

    DECLARE_MESSAGE_MAP()
};
