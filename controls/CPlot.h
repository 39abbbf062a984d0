// The real-time plot: a static control that draws up to ten growing curves over a grid in a
// framed plot area, with axis labels and a legend; a drag of at least 10 x 10 pixels zooms into
// the dragged rectangle and a double-click returns to the full data range. Everything is drawn
// with GDI into an off-screen bitmap and copied to the window in one step.
#pragma once

#include <memory>

#include "controls/CurveData.h"
#include "platform/gdi/gdi.h"
#include "platform/user/CStatic.h"

namespace RealtimeCurve {

// One axis: its pen, the size of its labels, the range shown and the extent of the data.
struct AxisData {
    int m_bVisible = 1;
    COLORREF m_crColor = RGB(0, 255, 0);
    int m_nPenStyle = PS_SOLID;
    int m_nPenWidth = 1;
    int m_nLabelWidth = 40;
    int m_nLabelHeight = 20;
    float m_fMin = 0.0f;
    float m_fMax = 1.0f;
    // Set by the owner before first use.
    float m_fDataMin = 0.0f;
    float m_fDataMax = 0.0f;
};

// UI thread only, but for CurveData::AddPoint, which takes the curve's lock.
class CPlot : public CStatic {
    DECLARE_DYNAMIC(CPlot)
public:
    static constexpr int kMaxCurves = 10;

    CPlot();
    ~CPlot() override;

    // The index of the new curve, or -1 when all slots are taken or the capacity is below 1.
    int AddCurve(const CString& name, int penStyle, COLORREF color, int penWidth, int capacity);
    // Adds a point to curve `curve` and, while auto-ranging, widens the data extents to it.
    // An index that names no added curve is refused.
    void AddPoint(float x, float y, int curve);
    AxisData& GetXAxis() { return m_axisX; }
    AxisData& GetYAxis() { return m_axisY; }

    // The whole picture into dc, for a client rectangle.
    void Draw(CDC* dc, const CRect& client);

    int m_bGrid = 1;
    COLORREF m_crGrid = RGB(200, 200, 200);
    int m_nGridPenStyle = PS_DASH;
    int m_nGridPenWidth = 1;
    int m_nGridSpacing = 30;
    COLORREF m_crBack = RGB(0, 0, 0);
    CString m_strTitle;
    COLORREF m_crTitle = RGB(0, 0, 0);
    int m_bAutoRange = 1;
    CRect m_rcClient, m_rcPlot, m_rcTitle, m_rcLegend;
    int m_nMarginLeft = 60, m_nMarginRight = 20, m_nMarginTop = 20, m_nMarginBottom = 20;
    int m_nTitleHeight = 18, m_nLegendHeight = 18;
    AxisData m_axisX, m_axisY;
    double m_dTickStepX = 0.1;
    double m_dLabelScaleX = 1.0;
    std::unique_ptr<CurveData> m_curves[kMaxCurves];
    int m_nCurves = 0;
    CPoint m_ptDown, m_ptUp;

    void OnTimer(UINT_PTR id);
    void OnPaint();
    void OnSize(UINT type, int cx, int cy);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonUp(UINT flags, CPoint point);
    void OnLButtonDblClk(UINT flags, CPoint point);
    void OnMouseMove(UINT flags, CPoint point);

protected:
    // Called last by Draw, for derived plots to draw over the picture.
    virtual void DrawExtra(CDC* dc) {}
    virtual void DrawGrid(CDC* dc);

    void CalcPlotRect(const CRect& client);
    void DrawAxis(CDC* dc);
    void DrawLegend(CDC* dc);
    void DrawTitle(CDC* dc);
    void DrawCurves(CDC* dc);
    // Draws the picture off-screen and copies it to the window at once.
    void Repaint();

    DECLARE_MESSAGE_MAP()

private:
    void DrawXLabels(CDC* dc);
    void DrawXLabel(CDC* dc, double value, const CString& text);
    void DrawCurve(CDC* dc, CurveData& curve);
};

}  // namespace RealtimeCurve
