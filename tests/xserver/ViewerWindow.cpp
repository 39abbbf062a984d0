#include "tests/xserver/ViewerWindow.h"

#include <cstdio>

#include "app/CVantrelApp.h"
#include "foundation/CAutoLock.h"

namespace {

constexpr int kBarWidth = 125;
constexpr int kStripHeight = 50;
const char* const kModes[] = {"PCBA Check", "Thermal field", "Compare", "ROI Check"};

}  // namespace

BEGIN_MESSAGE_MAP(ViewerDisplay, CStaticDisplay)
ON_WM_KEYDOWN()
END_MESSAGE_MAP()

void ViewerDisplay::OnKeyDown(UINT nChar, UINT repeat, UINT flags)
{
    switch (nChar) {
    case '0':
    case '1':
    case '2':
        m_nTool = static_cast<int>(nChar - '0');
        break;
    case '9':
        m_nTool = TOOL_NONE;
        break;
    case 'M': {
        const int mode = (m_nDisplayMode + 1) % 4;
        m_nDisplayMode = mode;
        m_renderer.m_b3D = mode == 1;
        {
            CAutoLock lock(&m_lockDisplay);
            m_renderer.m_pViews[0].Clear();
        }
        RefreshImage(false);
        break;
    }
    case 'F':
    case 'H': {
        theApp.m_nFlipMirror ^= nChar == 'F' ? 2 : 1;
        for (int i = 0; i < m_renderer.m_nViewCount; ++i)
            m_renderer.m_pViews[i].flip = theApp.m_nFlipMirror;
        break;
    }
    case 'D':
        m_renderer.m_b3D = !m_renderer.m_b3D;
        break;
    case 'G':
        m_renderer.m_bGrid = !m_renderer.m_bGrid;
        break;
    case 'A':
        icons[2] = !icons[2];
        break;
    case 'T':
        icons[3] = !icons[3];
        break;
    case 'C':
        icons[4] = !icons[4];
        break;
    case 'K':
        COGLSlider::SetColorMode(theApp.m_capture.m_nColorMode ? 0 : 1);
        break;
    case VK_ESCAPE:
        PostQuitMessage(0);
        break;
    }
    Invalidate(FALSE);
    ShowState();
    CStaticDisplay::OnKeyDown(nChar, repeat, flags);
}

void ViewerDisplay::ShowState()
{
    char text[256];
    std::snprintf(text, sizeof text, "viewer - %s, tool %d, flip %d%s%s - keys 0 1 2 9 M F H D G A T C R Esc",
                  kModes[m_nDisplayMode], m_nTool, theApp.m_nFlipMirror.load(), m_renderer.m_b3D ? ", 3D" : "",
                  theApp.m_nAlarmCountdown > 0 ? ", ALARM" : "");
    if (CWnd* top = GetParent())
        top->SetWindowText(text);
}

BEGIN_MESSAGE_MAP(ViewerWindow, CWnd)
ON_MESSAGE(WM_WORKER_NOTIFY, &ViewerWindow::OnWorkerNotify)
ON_WM_DESTROY()
END_MESSAGE_MAP()

BOOL ViewerWindow::Open()
{
    if (!CreateEx(0, nullptr, "viewer", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE, kLeft,
                  kTop, kWidth, kHeight, nullptr, nullptr))
        return FALSE;
    CreateChildren();
    StartWorkers();
    display.ShowState();
    return TRUE;
}

void ViewerWindow::CreateChildren()
{
    CRect client;
    GetClientRect(&client);
    CIRDataCapture& capture = theApp.m_capture;
    slider.m_pColorMap = &capture.m_colorMap;
    display.icons = slider.m_bIcon;
    display.m_pIconFlags = slider.m_bIcon;
    display.m_nTool = TOOL_RECT;
    const int paneBottom = client.bottom - kStripHeight;
    display.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, 0, client.right - kBarWidth, paneBottom), this, 4000);
    COGLSlider::SetMainDisplay(&display);
    {
        CAutoLock lock(&capture.m_colorMap.m_lock);
        capture.m_colorMap.SetDisplayRange(28.0, 40.0);
        capture.m_colorMap.BuildLut();
    }
    slider.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(client.right - kBarWidth, 0, client.right, paneBottom), this,
                  5000);
    slider.UpdateMarkers(1);
    // A new palette: the shown frame coloured again (as a colour-mode change does), the bar repainted.
    COGLCircleColorMap::SetRefreshViews([this](CWnd*) {
        COGLSlider::SetColorMode(theApp.m_capture.m_nColorMode);
        slider.Invalidate(FALSE);
    });
    picker.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, paneBottom, 300, client.bottom), this, 5001);
    label.Create("Vantrel viewer", WS_CHILD | WS_VISIBLE, CRect(310, paneBottom + 5, 610, client.bottom - 5), this, 5002);
    systemButtons.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY,
                         CRect(client.right - 90, paneBottom + 15, client.right - 10, paneBottom + 35), this, 5003);
}

void ViewerWindow::StartWorkers()
{
    CIRDataCapture& capture = theApp.m_capture;
    display.m_pImage = &capture.m_frameLive;
    capture.SetWndMsg(GetSafeHwnd(), WM_WORKER_NOTIFY);
    capture.m_bLoop = 1;
    capture.m_bNotify = 0;
    capture.ThreadWorkerStart();
    display.SetWndMsg(GetSafeHwnd(), WM_WORKER_NOTIFY);
    display.m_bLoop = 1;
    display.m_bNotify = 0;
    display.ThreadWorkerStart();
}

void ViewerWindow::Close()
{
    display.ThreadWorkerStop();
    theApp.m_capture.ThreadWorkerStop();
    display.m_pImage = nullptr;
    COGLSlider::SetMainDisplay(nullptr);
    COGLCircleColorMap::SetRefreshViews(nullptr);
    if (::IsWindow(GetSafeHwnd()))
        DestroyWindow();
}

LRESULT ViewerWindow::OnWorkerNotify(WPARAM code, LPARAM)
{
    if (code == NOTIFY_FRAME_SHOWN)
        slider.UpdateMarkers(0);
    if (code == NOTIFY_TIP) {
        Tip tip;
        while (theApp.m_capture.GetTip(tip)) {
        }
    }
    return 0;
}

void ViewerWindow::OnDestroy()
{
    PostQuitMessage(0);
    CWnd::OnDestroy();
}
