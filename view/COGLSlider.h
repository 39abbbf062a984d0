// The vertical colour bar beside the thermal view: the colour map's whole range as a grey bar, the
// palette stretched over the colour window, dots at the frame's maximum and minimum, draggable
// triangles for the window's ends, a draggable alarm-threshold marker, and four 20 x 20 icons in
// the top right corner (unit, alarm, hottest-pixel marker, temperature under the mouse).
//
// The rules of the bar (marker places, pick zones, dragging, the wheel bands, the icons) are the
// free functions of colour_bar, so that they can be checked without a window; the control uses
// nothing else to decide.
#pragma once

#include <cstdint>
#include <optional>

#include "acquisition/ZelColorMap.h"
#include "platform/gdi/gdi.h"
#include "platform/kernel/win_types.h"
#include "view/COGLStatic.h"
#include "view/RenderView.h"

class CStaticDisplay;

namespace colour_bar {

// Marker indexes, in the order of the marker positions.
inline constexpr int kWindowHigh = 0;
inline constexpr int kWindowLow = 1;
inline constexpr int kThreshold = 2;
inline constexpr int kFrameMax = 3;
inline constexpr int kFrameMin = 4;
inline constexpr int kMarkerCount = 5;

inline constexpr double kBarTop = 0.05;     // bar ends as fractions of the image height
inline constexpr double kBarBottom = 0.95;
inline constexpr int kPickReach = 15;       // pick zones reach this far from a marker's line
inline constexpr int kMinGap = 10;          // window markers closer than this only move apart
inline constexpr int kWheelBand = 50;       // Ctrl+wheel bands at the top and bottom
inline constexpr int kIconSize = 20;
inline constexpr int kIconPitch = 30;
inline constexpr int kViewCount = 5;        // view 0 the bar, views 1-4 the icons

// The bar's ends and length in client pixels of view 0.
struct BarSpan {
    int top = 0;
    int bottom = 0;
    int length = 0;
};

BarSpan SpanOf(std::uint32_t imageHeight, double barTop, double barBottom);
// The y of a marker at a position (fraction of the bar from its top).
int MarkerY(const BarSpan& span, double position);

// Position of a raw value in the range [low, high], measured from the top (the range high), in
// single precision. An empty range (high <= low) puts every value at the top.
double MarkerPosition(std::uint16_t raw, std::uint16_t low, std::uint16_t high);
// The raw value at a position: trunc((high - low) x (1 - position) + low) in single precision,
// not limited to the range (the caller bounds it).
int RawAtPosition(double position, std::uint16_t low, std::uint16_t high);
// A raw value limited to what a sample can hold.
std::uint16_t ClampRaw(int raw);

// The marker picked by a press at y, given the y of the window high, window low and threshold
// markers; -1 when the press is in no zone. Only y counts.
int PickMarker(int y, int yHigh, int yLow, int yThreshold);

// Moves a picked window marker (0 or 1) to the pointer's y as far as the rules allow: only inside
// [top, bottom), and markers within kMinGap pixels of each other only move apart. True when the
// position changed.
bool DragWindowMarker(int picked, int pointerY, const BarSpan& span, double positions[kMarkerCount]);
// The colour window's end at a window marker's position.
std::uint16_t WindowEndAt(double position, std::uint16_t low, std::uint16_t high);
// Moves the threshold marker to the pointer's y (no bound) and returns the threshold there. A
// threshold above the range high sticks at the range high, its marker at the top; below the raw
// scale it stops at 0. A bar of no length takes no drag: nothing is returned.
std::optional<std::uint16_t> DragThreshold(int pointerY, const BarSpan& span, double positions[kMarkerCount],
                                           std::uint16_t low, std::uint16_t high);
// Adds the window's change to one colour mode's offsets {low, high} (16-bit, wrapping).
void AddWindowOffsets(std::int16_t offsets[2], std::uint16_t oldLow, std::uint16_t oldHigh, std::uint16_t newLow,
                      std::uint16_t newHigh);

// The range end a Ctrl+wheel at a client point moves: 1 the range high (top band), 0 the range
// low (bottom band), -1 none.
int WheelEnd(POINT client, const RECT& clientRect);
// One degree up for a delta of at least 1, else one degree down.
double WheelStep(int delta);

// Icon view i (1-4): target x at the client's right - 20, target y (from the bottom, as
// glViewport) at the client's bottom - 30 i, 20 x 20.
ViewRect IconTarget(int icon, const RECT& clientRect);
// The client rectangle an icon view covers on the screen (y downward).
RECT IconRect(const ViewRect& target, const RECT& clientRect);
// The first icon (1-4) under a client point, or 0.
int HitIcon(POINT client, const RECT& clientRect);
// The settings entry an icon's flag is saved to (7, 8, 9 for icons 2, 3, 4), or -1.
int IconSetting(int icon);

}  // namespace colour_bar

// Shows a view's image at 1:1 in its whole target: image size = target size, no pan, zoom 1.
// Every small OpenGL widget draws in such views, so image pixels are client pixels.
void SetViewOneToOne(CZelRendererOpenGL& renderer, int view);

// UI thread only. Painting reads the colour map without its lock; every change of the colour
// window, the range or the lookup table here is made under it.
class COGLSlider : public COGLStatic {
    DECLARE_DYNAMIC(COGLSlider)
public:
    COGLSlider();
    ~COGLSlider() override;

    // The colour mode of the capture (0 the normal colour window, 1 the hot window): the main
    // window's current frame is coloured again and display 0 repainted.
    static void SetColorMode(int mode);
    // The main window's display 0, which a window-marker drag and SetColorMode re-colour; set by
    // the main window when it creates the display (null: none).
    static void SetMainDisplay(CStaticDisplay* display);
    static CStaticDisplay* GetMainDisplay();

    // All five marker positions from the colour map, then a repaint. The argument is not used.
    void UpdateMarkers(int reason);

    // The bar's span in client pixels of view 0.
    colour_bar::BarSpan Span() const;
    int MarkerY(int marker) const;

    double m_dBarTop = 0.0;
    double m_dBarBottom = 0.0;
    double m_dMarkerPos[colour_bar::kMarkerCount] = {};
    int m_nPicked = -1;
    CBrush m_brushBk;
    // Indexed by view: [1] unit (no effect), [2] alarm, [3] hottest-pixel marker, [4] temperature
    // under the mouse. The thermal display reads [2]-[4].
    int m_bIcon[colour_bar::kViewCount] = {};
    ZelColorMap* m_pColorMap = nullptr;

    void OnPaint();
    void OnLButtonDown(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);
    int OnCreate(LPCREATESTRUCT cs);
    void OnLButtonUp(UINT flags, CPoint point);
    BOOL OnMouseWheel(UINT flags, short delta, CPoint point);
    HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor);
    void OnSize(UINT type, int cx, int cy);

private:
    // View 0 the whole client area and the icon views in the top right corner, each at 1:1.
    void PlaceViews();
    void DragWindow(int pointerY);
    void DrawBar();
    void DrawIcons();

    DECLARE_MESSAGE_MAP()
};
