// The toolbar's commands. A checkable button has toggled before its command arrives, so each
// command reads the button's new check state.
#include "app/CVantrelApp.h"
#include "app/CVantrelDlg.h"
#include "foundation/CAutoLock.h"

namespace {

// The display's inspection modes.
constexpr int kThermalField = 1;
constexpr int kCompare = 2;
constexpr int kRoiCheck = 3;

}  // namespace

void CVantrelDlg::OnToolbarButton(UINT nID)
{
    const int button = static_cast<int>(nID - ID_TOOLBAR_FIRST);
    if (button < 0 || button >= kToolbarButtons) return;
    const int checked = m_btn[button].GetCheck();
    switch (button) {
    case kMinimise:
        ShowWindow(SW_SHOWMINIMIZED);
        break;
    case kMaximise:
        // The size change that follows sets the zoom again from the new width.
        m_display.m_renderer.m_pViews[0].zoom = checked ? 2.0f : 4.0f;
        ShowWindow(checked ? SW_SHOWDEFAULT : SW_SHOWMAXIMIZED);
        break;
    case kClose:
        SendMessage(WM_CLOSE, 0, 0);
        break;
    case kGrid:
        m_display.m_renderer.m_bGrid = checked;
        if (m_display.GetSafeHwnd() != nullptr) m_display.Invalidate(FALSE);
        break;
    case kSourceCamera:
    case kSourceImage:
    case kSourceVideo:
        SelectSource(button - kSourceCamera);
        break;
    case kImageList:
    case kVideoList:
        SwitchList(button - kImageList, checked);
        break;
    case kModePcba:
    case kModeThermalField:
    case kModeCompare:
    case kModeRoi:
        SelectMode(button - kModePcba, checked);
        break;
    case kToolPoint:
    case kToolRect:
    case kToolPolygon:
        SelectTool(button - kToolPoint, checked);
        break;
    case kColourMode:
        COGLSlider::SetColorMode(checked);
        break;
    case kLanguage:
        SetLanguage(checked);
        break;
    default:
        break;
    }
}

void CVantrelDlg::CheckInGroup(int first, int count, int chosen)
{
    for (int b = first; b < first + count; ++b) m_btn[b].SetCheck(b == chosen, TRUE);
}

void CVantrelDlg::SelectSource(int source)
{
    CIRDataCapture& capture = theApp.m_capture;
    IrFrame* const frames[] = {&capture.m_frameLive, &capture.m_frameImage, &capture.m_frameVideo};
    m_display.m_nImageSlot = 0;
    m_display.m_pImage = frames[source];
    const bool roi = m_display.m_nDisplayMode == kRoiCheck;
    capture.ColorizeFrame(frames[source], roi ? &m_display.m_renderer.m_pViews[0].rects : nullptr);
    CheckInGroup(kSourceCamera, 3, kSourceCamera + source);
    if (source == 1) PressButton(kImageList);
    if (source == 2) PressButton(kVideoList);
}

void CVantrelDlg::SwitchList(int list, int checked)
{
    CheckInGroup(kImageList, 2, kImageList + list);
    if (!checked) return;
    m_listImage.ShowWindow(list == 0 ? SW_SHOW : SW_HIDE);
    m_listVideo.ShowWindow(list == 0 ? SW_HIDE : SW_SHOW);
}

void CVantrelDlg::SelectMode(int mode, int checked)
{
    CheckInGroup(kModePcba, 4, kModePcba + mode);
    if (!checked) return;
    if (mode == kCompare || m_display.m_nDisplayMode == kCompare) ClearInspectionObjects();
    {
        CAutoLock lock(&m_display.m_lockDisplay);
        m_display.m_renderer.m_pViews[0].Clear();
    }
    m_display.m_nDisplayMode = mode;
    ApplyModeLayout(mode);
    m_display.RefreshImage(false);
}

void CVantrelDlg::ApplyModeLayout(int mode)
{
    CStaticDisplay& d = m_display;
    d.m_renderer.m_b3D = mode == kThermalField;
    m_btn[kGrid].ShowWindow(mode == kThermalField ? SW_SHOW : SW_HIDE);
    const bool tools = mode != kThermalField && mode != kRoiCheck;
    for (int b = kToolPoint; b <= kToolPolygon; ++b) m_btn[b].ShowWindow(tools ? SW_SHOW : SW_HIDE);
    if (mode == kThermalField) {
        d.m_nTool = TOOL_NONE;
    } else if (mode == kRoiCheck) {
        d.m_nTool = TOOL_RECT;
        CAutoLock lock(&d.m_lockDisplay);
        d.m_renderer.m_pViews[0].rects.push_back(new RectShape{100, 100, 40, 30});
    } else {
        d.m_nTool = m_btn[kToolPoint].GetCheck() ? TOOL_POINT : m_btn[kToolRect].GetCheck() ? TOOL_RECT : TOOL_POLYGON;
    }
}

void CVantrelDlg::SelectTool(int tool, int checked)
{
    CheckInGroup(kToolPoint, 3, kToolPoint + tool);
    if (checked) m_display.m_nTool = TOOL_POINT + tool;
}
