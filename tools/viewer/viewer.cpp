// Development viewer: the thermal display on the live camera (VANTREL_CAMERA=emulated for the
// emulated module) in a window of its own, with the colour bar at its right and the palette
// picker, a text label and the minimise/close buttons below it, before the main window exists.
// Not part of the program.
//
// Keys (the pane takes the keyboard focus when the mouse moves over it):
//   0 point tool, 1 rectangle tool, 2 polygon tool, 9 no tool
//   M next mode (PCBA Check, Thermal field, Compare, ROI Check; clears the shapes)
//   F flip, H mirror, D 3D on/off, G 3D grid, A alarm, T hottest pixel, C cursor temperature,
//   K colour mode (normal / hot window)
//   R reset the view, Esc quit
// Mouse: left button edits with the tool, right button closes a polygon, Ctrl+drag pans (3D:
// rotates), Alt+drag moves the 3D camera, Ctrl+wheel zooms.
//
// `vantrel-viewer --shot FILE [MS]` runs for MS milliseconds (default 3000), writes the window
// to a PNG file and ends.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <string>
#include <thread>

#include "app/CVantrelApp.h"
#include "foundation/CAutoLock.h"
#include "platform/kernel/clock.h"
#include "platform/user/CWinApp.h"
#include "platform/user/surface.h"
#include "view/COGLCircleColorMap.h"
#include "view/COGLSlider.h"
#include "view/CStaticDisplay.h"
#include "view/CSystemBtn.h"
#include "view/CZelColorStatic.h"

namespace {

constexpr int kWidth = 1285;
constexpr int kHeight = 930;
constexpr int kBarWidth = 125;
constexpr int kStripHeight = 50;
const char* const kModes[] = {"PCBA Check", "Thermal field", "Compare", "ROI Check"};

class ViewerDisplay : public CStaticDisplay {
public:
    int* icons = nullptr;  // the colour bar's icon flags

    void OnKeyDown(UINT nChar, UINT repeat, UINT flags)
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

    void ShowState()
    {
        char text[256];
        std::snprintf(text, sizeof text, "viewer - %s, tool %d, flip %d%s%s - keys 0 1 2 9 M F H D G A T C R Esc",
                      kModes[m_nDisplayMode], m_nTool, theApp.m_nFlipMirror.load(), m_renderer.m_b3D ? ", 3D" : "",
                      theApp.m_nAlarmCountdown > 0 ? ", ALARM" : "");
        if (CWnd* top = GetParent())
            top->SetWindowText(text);
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ViewerDisplay, CStaticDisplay)
ON_WM_KEYDOWN()
END_MESSAGE_MAP()

class ViewerWindow : public CWnd {
public:
    BOOL CreateTop()
    {
        return CreateEx(0, nullptr, "viewer", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE, 40, 40,
                        kWidth, kHeight, nullptr, nullptr);
    }
    LRESULT OnWorkerNotify(WPARAM code, LPARAM)
    {
        if (code == NOTIFY_FRAME_SHOWN && slider)
            slider->UpdateMarkers(0);
        if (code == NOTIFY_TIP) {
            Tip tip;
            while (theApp.m_capture.GetTip(tip)) {
            }
        }
        return 0;
    }
    COGLSlider* slider = nullptr;
    void OnDestroy()
    {
        PostQuitMessage(0);
        CWnd::OnDestroy();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ViewerWindow, CWnd)
ON_MESSAGE(WM_WORKER_NOTIFY, &ViewerWindow::OnWorkerNotify)
ON_WM_DESTROY()
END_MESSAGE_MAP()

// Stops a worker while this thread goes on handling messages: the display worker waits in its
// SendMessage of code 5 until this thread has handled it, so a stop that only waited could not
// end it.
void StopWhilePumping(CZelThreadWorker& worker)
{
    std::atomic<bool> done{false};
    std::thread stopper([&] {
        worker.ThreadWorkerStop();
        done = true;
    });
    MSG msg;
    while (!done) {
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessage(&msg);
        Sleep(1);
    }
    stopper.join();
}

}  // namespace

int main(int argc, char** argv)
{
    const char* shot = nullptr;
    DWORD shotMs = 3000;
    if (argc >= 3 && std::strcmp(argv[1], "--shot") == 0) {
        shot = argv[2];
        if (argc >= 4)
            shotMs = static_cast<DWORD>(std::atoi(argv[3]));
    }

    CWinApp app("viewer");  // the system buttons act on the application's main window
    ViewerWindow top;
    if (!top.CreateTop()) {
        std::fprintf(stderr, "viewer: no window\n");
        return 1;
    }
    app.m_pMainWnd = &top;
    CRect client;
    top.GetClientRect(&client);
    CIRDataCapture& capture = theApp.m_capture;
    COGLSlider slider;
    slider.m_pColorMap = &capture.m_colorMap;
    ViewerDisplay display;
    display.icons = slider.m_bIcon;
    display.m_pIconFlags = slider.m_bIcon;
    display.m_nTool = TOOL_RECT;
    const int paneBottom = client.bottom - kStripHeight;
    display.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, 0, client.right - kBarWidth, paneBottom), &top, 4000);
    COGLSlider::SetMainDisplay(&display);
    {
        CAutoLock lock(&capture.m_colorMap.m_lock);
        capture.m_colorMap.SetDisplayRange(28.0, 40.0);
        capture.m_colorMap.BuildLut();
    }
    slider.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(client.right - kBarWidth, 0, client.right, paneBottom), &top,
                  5000);
    slider.UpdateMarkers(1);
    top.slider = &slider;
    // A new palette: the shown frame coloured again (as a colour-mode change does), the bar repainted.
    COGLCircleColorMap::SetRefreshViews([&slider](CWnd*) {
        COGLSlider::SetColorMode(theApp.m_capture.m_nColorMode);
        slider.Invalidate(FALSE);
    });
    COGLCircleColorMap picker;
    picker.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY, CRect(0, paneBottom, 300, client.bottom), &top, 5001);
    CZelColorStatic label;
    label.Create("Vantrel viewer", WS_CHILD | WS_VISIBLE, CRect(310, paneBottom + 5, 610, client.bottom - 5), &top, 5002);
    CSystemBtn systemButtons;
    systemButtons.Create("", WS_CHILD | WS_VISIBLE | SS_NOTIFY,
                         CRect(client.right - 90, paneBottom + 15, client.right - 10, paneBottom + 35), &top, 5003);
    display.m_pImage = &capture.m_frameLive;
    capture.SetWndMsg(top.GetSafeHwnd(), WM_WORKER_NOTIFY);
    capture.m_bLoop = 1;
    capture.m_bNotify = 0;
    capture.ThreadWorkerStart();
    display.SetWndMsg(top.GetSafeHwnd(), WM_WORKER_NOTIFY);
    display.m_bLoop = 1;
    display.m_bNotify = 0;
    display.ThreadWorkerStart();
    display.ShowState();

    const DWORD start = GetTickCount();
    MSG msg;
    for (;;) {
        if (shot) {
            while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
            if (GetTickCount() - start > shotMs)
                break;
            Sleep(5);
            continue;
        }
        if (!GetMessage(&msg, nullptr, 0, 0))
            break;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    if (shot && !platform::user::RenderWindowToPng(top.GetSafeHwnd(), shot))
        std::fprintf(stderr, "viewer: cannot write %s\n", shot);

    StopWhilePumping(display);
    StopWhilePumping(capture);
    display.m_pImage = nullptr;
    COGLSlider::SetMainDisplay(nullptr);
    COGLCircleColorMap::SetRefreshViews(nullptr);
    top.slider = nullptr;
    app.m_pMainWnd = nullptr;
    if (::IsWindow(top.GetSafeHwnd()))
        top.DestroyWindow();
    return 0;
}
