// A worker whose thread body is a flow: Begin, Action repeated while it returns 0, End; and a
// locked queue of status tips that it posts to a window with WM_WORKER_NOTIFY.
#pragma once

#include <deque>

#include "foundation/CMyLock.h"
#include "foundation/CZelThreadWorker.h"
#include "platform/kernel/CString.h"
#include "platform/kernel/win_types.h"

// The workers' one message to the main window: wParam a code below, lParam as the code says.
inline constexpr UINT WM_WORKER_NOTIFY = WM_USER + 100;

// wParam codes. For the first three, lParam is the CThreadActionFlow that posted them.
inline constexpr int NOTIFY_ACTION_BEGIN = 1000;
inline constexpr int NOTIFY_ACTION_END = 1001;
inline constexpr int NOTIFY_TIP = 1002;
inline constexpr int NOTIFY_FRAME_ARRIVED = 4;  // posted, lParam 0
inline constexpr int NOTIFY_FRAME_SHOWN = 5;    // sent, lParam 0
// Calibration and factory-reset reports; lParam: -1 started, 0 done, other failed.
inline constexpr int NOTIFY_CALIB_START = 0;
inline constexpr int NOTIFY_CALIB_DONE = 1;
inline constexpr int NOTIFY_CALIB_FAILED = 2;
inline constexpr int NOTIFY_FACTORY_RESET = 3;

// Tip codes (a text tip has code -1; an Action's own return value arrives as its code).
inline constexpr int TIP_TERMINATED = 3;
inline constexpr int TIP_CAMERA_WAITING = 5;
inline constexpr int TIP_CAMERA_CONNECTED = 6;
inline constexpr int TIP_CAMERA_LOST = 7;

struct Tip {
    DWORD tick;
    __time64_t time;
    char text[256];
    int code;
    int flag;
};

class CThreadActionFlow : public CZelThreadWorker {
public:
    explicit CThreadActionFlow(CEvent* pStopEvent = nullptr);
    ~CThreadActionFlow() override;

    // Set before the thread starts.
    void SetWndMsg(HWND hWnd, UINT nMsg);

    DWORD ActionRun() override;

    // Queue a tip and post NOTIFY_TIP. The text form keeps at most 255 bytes, cut before a UTF-8
    // character that would not fit.
    void ShowTip(int nCode, int nFlag);
    void ShowTip(CString strText, int nFlag);

    // Takes the oldest tip; false (tip unchanged) when there is none.
    bool GetTip(Tip& tip);

    void SetThreadID(int nID) { m_nThreadID = nID; }
    int GetThreadID() { return m_nThreadID; }

    BYTE m_bLoop = 0;
    BYTE m_bNotify = 1;
    int m_nStepWait = 1;

protected:
    // The window and message given to SetWndMsg, for a flow's own notifications.
    HWND GetNotifyWnd() const { return m_hWnd; }
    UINT GetNotifyMsg() const { return m_nMsg; }

    virtual DWORD Begin();
    // One step: 0 goes on, anything else ends the flow and becomes End's code.
    virtual DWORD Action() = 0;
    virtual void End(DWORD nCode);

private:
    void QueueTip(const Tip& tip);
    void Notify(int nCode);

    HWND m_hWnd = nullptr;
    UINT m_nMsg = 0;
    CMyLock m_lockTip;
    std::deque<Tip> m_queTip;
    int m_nThreadID = 0;
};
