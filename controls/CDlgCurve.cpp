#include "controls/CDlgCurve.h"

IMPLEMENT_DYNAMIC(CDlgCurve, CDlgRoundRect)

BEGIN_MESSAGE_MAP(CDlgCurve, CDlgRoundRect)
END_MESSAGE_MAP()

namespace {

constexpr int kPlotTop = 40;
constexpr int kCapacity = 4096;
constexpr int kPenWidth = 2;

}  // namespace

CDlgCurve::CDlgCurve(CWnd* parent) : CDlgRoundRect(kTemplateId, parent) {}

void CDlgCurve::DoDataExchange(CDataExchange* dx)
{
    CDlgRoundRect::DoDataExchange(dx);
    DDX_Control(dx, kPlotId, m_plot);
}

BOOL CDlgCurve::OnInitDialog()
{
    CDlgRoundRect::OnInitDialog();
    CRect client;
    GetClientRect(&client);
    m_plot.MoveWindow(client.left, kPlotTop, client.Width(), client.Height() - kPlotTop, TRUE);
    m_plot.AddCurve("Max1", PS_SOLID, RGB(255, 0, 0), kPenWidth, kCapacity);
    m_plot.AddCurve("Max2", PS_SOLID, RGB(0, 255, 0), kPenWidth, kCapacity);
    m_plot.m_dTickStepX = 1.0;
    RealtimeCurve::AxisData& x = m_plot.GetXAxis();
    x.m_fMin = x.m_fDataMin = 0.0f;
    x.m_fMax = x.m_fDataMax = 200.0f;
    RealtimeCurve::AxisData& y = m_plot.GetYAxis();
    y.m_fMin = y.m_fDataMin = 20.0f;
    y.m_fMax = y.m_fDataMax = 50.0f;
    return TRUE;
}
