// The real main window, made as the program makes it (its template, its whole initialisation, its
// workers on the emulated camera), but modeless, so that a test drives it with messages and looks at
// what it shows.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "app/CVantrelApp.h"
#include "app/CVantrelDlg.h"
#include "controls/InitGdiplus.h"
#include "foundation/CAutoLock.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/thread.h"
#include "platform/user/CWnd.h"
#include "platform/user/input.h"

namespace app_test {

// Handles the queue's messages as the modal loop would, until it is empty; a window that paints
// for ever (frames arriving faster than they are drawn) is left after two seconds.
inline void Pump()
{
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < 2000 && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (AfxPreTranslateTree(nullptr, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

// Pumps until the condition holds or thirty seconds have passed; whether it held.
template <class Condition>
bool PumpUntil(Condition condition)
{
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > 30000) return false;
        Pump();
        Sleep(2);
    }
    return true;
}

// Stops a worker from another thread while this one goes on handling messages, so that a worker
// waiting in a SendMessage to this thread can finish.
inline void StopServing(CZelThreadWorker& worker)
{
    std::atomic<bool> done{false};
    std::thread stopper([&] {
        while (!worker.ThreadWorkerStop()) {
        }
        done = true;
    });
    PumpUntil([&] { return done.load(); });
    stopper.join();
}

inline std::string TextOf(CWnd& wnd)
{
    CString text;
    wnd.GetWindowText(text);
    return text.GetString();
}

// A click of the user's at a screen point, as the window layer delivers it.
inline void ClickAt(CPoint screen, platform::user::input::Button button = platform::user::input::Button::Left)
{
    namespace input = platform::user::input;
    input::MouseMove(screen);
    input::MouseButton(screen, button, true);
    input::MouseButton(screen, button, false);
    Pump();
    // A later click at the same place is a click again, not a double click.
    input::MouseMove(CPoint(screen.x + 50, screen.y + 50));
    Sleep(0);
}

// A child's rectangle in its parent's client coordinates.
inline CRect ChildRect(CWnd& parent, CWnd& child)
{
    CRect r;
    child.GetWindowRect(&r);
    parent.ScreenToClient(&r);
    return r;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // What the program's start-up does before it makes the window.
        static const int gdiplus = InitGdiplus();
        (void)gdiplus;
        CTickerZel::Init();
        theApp.m_settings[SETTING_Language].value.nValue = language;
        // Not pumped: the workers' first reports wait in the queue.
        ASSERT_TRUE(dlg.Create(IDD_VANTREL_DIALOG));
    }
    void TearDown() override
    {
        if (dlg.GetSafeHwnd() != nullptr) StopServing(dlg.m_display);
        if (dlg.GetSafeHwnd() != nullptr) dlg.DestroyWindow();
        Pump();
        theApp.m_settings[SETTING_Language].value.nValue = 0;
    }
    // Stops the camera and the display worker, so that no worker report but the test's own
    // reaches the window.
    void QuietWorkers()
    {
        StopServing(theApp.m_capture);
        StopServing(dlg.m_display);
        Pump();
        // Tips the capture queued for windows of earlier tests.
        ::Tip stale;
        while (theApp.m_capture.GetTip(stale)) {
        }
    }
    // A click on a toolbar button.
    void Click(int button)
    {
        CRect r;
        dlg.m_btn[button].GetWindowRect(&r);
        ClickAt(r.CenterPoint());
    }
    // Waits until the camera has handed the live record a frame.
    bool WaitForLiveFrame()
    {
        CIRDataCapture& capture = theApp.m_capture;
        return PumpUntil([&] {
            CAutoLock lock(&capture.m_lockRecords);
            const IrFrame& live = capture.m_frameLive;
            return live.temp_data != nullptr && live.temp_size > 0 && live.temp_data[live.temp_size / 4] != 0;
        });
    }
    // Restores the window and gives it a client area of this size.
    void SizeClient(int width, int height)
    {
        dlg.ShowWindow(SW_RESTORE);
        CRect window, client;
        dlg.GetWindowRect(&window);
        dlg.GetClientRect(&client);
        dlg.SetWindowPos(nullptr, 0, 0, width + window.Width() - client.Width(), height + window.Height() - client.Height(),
                         SWP_NOMOVE | SWP_NOZORDER);
        Pump();
    }

    int language = 0;
    CVantrelDlg dlg;
};

}  // namespace app_test
