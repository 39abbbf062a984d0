// The curve window: a rounded dialog holding a real-time plot of two curves, "Max1" and "Max2",
// the maximum temperature of one region on the left and on the right board. The display opens one
// per region in the two-board mode, feeds it one pair of points per live frame and deletes it
// with its region.
#pragma once

#include "controls/CDlgRoundRect.h"
#include "controls/CPlot.h"

class CDlgCurve : public CDlgRoundRect {
    DECLARE_DYNAMIC(CDlgCurve)
public:
    static constexpr UINT kTemplateId = 123;
    static constexpr UINT kPlotId = 1016;

    explicit CDlgCurve(CWnd* parent);

    BOOL OnInitDialog() override;

    RealtimeCurve::CPlot m_plot;
    // The x value of the next pair of points: the number of pairs added so far.
    int m_nSamples = 0;
    // The rectangle or polygon (index in view 0's list) this window follows, or -1.
    int m_nRectIndex = -1;
    int m_nPolygonIndex = -1;

protected:
    void DoDataExchange(CDataExchange* dx) override;

    DECLARE_MESSAGE_MAP()
};
