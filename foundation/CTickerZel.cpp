#include "foundation/CTickerZel.h"

#include "platform/kernel/clock.h"

double CTickerZel::m_dbFreq = 0.0;

void CTickerZel::Init()
{
    m_dbFreq = 0.0;
    for (int i = 0; i < 1000; ++i) {
        LARGE_INTEGER freq;
        QueryPerformanceFrequency(&freq);
        m_dbFreq += static_cast<double>(freq.QuadPart);
    }
    m_dbFreq /= 1000.0;
}

LONGLONG CTickerZel::Now()
{
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart;
}

void CTickerZel::Start() { m_llStart = Now(); }

void CTickerZel::Pause() { m_llPaused += Now() - m_llStart; }

void CTickerZel::Stop()
{
    m_llStart = (Now() - m_llStart) + m_llPaused;
    m_llPaused = 0;
}

double CTickerZel::GetCurTime() { return static_cast<double>(Now()) / m_dbFreq * 1000.0; }

double CTickerZel::GetDiffTime() { return static_cast<double>(Now() - m_llStart) / m_dbFreq; }

double CTickerZel::GetTime() { return static_cast<double>(m_llStart) / m_dbFreq; }
