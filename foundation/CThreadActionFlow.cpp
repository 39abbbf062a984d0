#include "foundation/CThreadActionFlow.h"

#include <cstring>

#include "foundation/CAutoLock.h"
#include "platform/kernel/clock.h"
#include "platform/user/message_queue.h"

namespace {

// The longest prefix of text that fits in limit bytes without splitting a UTF-8 sequence.
std::size_t fitUtf8(const char* text, std::size_t length, std::size_t limit)
{
    if (length <= limit) return length;
    std::size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return n;
}

}  // namespace

CThreadActionFlow::CThreadActionFlow(CEvent* pStopEvent) : CZelThreadWorker(pStopEvent, 1000) {}

CThreadActionFlow::~CThreadActionFlow() = default;

void CThreadActionFlow::SetWndMsg(HWND hWnd, UINT nMsg)
{
    m_hWnd = hWnd;
    m_nMsg = nMsg;
}

void CThreadActionFlow::Notify(int nCode)
{
    PostMessage(m_hWnd, m_nMsg, static_cast<WPARAM>(nCode), reinterpret_cast<LPARAM>(this));
}

DWORD CThreadActionFlow::ActionRun()
{
    if (m_bNotify) Notify(NOTIFY_ACTION_BEGIN);
    DWORD r = Begin();
    if (r == 0) {
        for (;;) {
            r = Action();
            if (r != 0) break;
            const DWORD wait = m_nStepWait > 0 ? static_cast<DWORD>(m_nStepWait) : 0;
            if (WaitForSingleObject(*m_pStopEvent, wait) == WAIT_OBJECT_0) {
                r = TIP_TERMINATED;
                break;
            }
            if (!m_bLoop) break;
        }
    }
    End(r);
    if (m_bNotify) Notify(NOTIFY_ACTION_END);
    return 0;
}

DWORD CThreadActionFlow::Begin() { return 0; }

void CThreadActionFlow::End(DWORD nCode)
{
    ShowTip(static_cast<int>(nCode), nCode == 4 ? 1 : 0);
}

void CThreadActionFlow::QueueTip(const Tip& tip)
{
    CAutoLock lock(&m_lockTip);
    m_queTip.push_back(tip);
    Notify(NOTIFY_TIP);
}

void CThreadActionFlow::ShowTip(int nCode, int nFlag)
{
    Tip tip{};
    tip.tick = GetTickCount();
    tip.time = _time64(nullptr);
    tip.code = nCode;
    tip.flag = nFlag;
    QueueTip(tip);
}

void CThreadActionFlow::ShowTip(CString strText, int nFlag)
{
    Tip tip{};
    tip.tick = GetTickCount();
    tip.time = _time64(nullptr);
    const char* text = strText;
    const std::size_t n = fitUtf8(text, std::strlen(text), sizeof tip.text - 1);
    std::memcpy(tip.text, text, n);
    tip.code = -1;
    tip.flag = nFlag;
    QueueTip(tip);
}

bool CThreadActionFlow::GetTip(Tip& tip)
{
    CAutoLock lock(&m_lockTip);
    if (m_queTip.empty()) return false;
    tip = m_queTip.front();
    m_queTip.pop_front();
    return true;
}
