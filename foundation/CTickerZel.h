// A stopwatch over the performance counter. CTickerZel::Init calibrates the process-wide frequency
// once at start-up, before any time is read.
#pragma once

#include "platform/kernel/win_types.h"

class CTickerZel {
public:
    CTickerZel() = default;
    CTickerZel(const CTickerZel&) = default;
    CTickerZel& operator=(const CTickerZel&) = default;
    virtual ~CTickerZel() = default;

    static void Init();

    void Start();
    void Pause();
    void Stop();

    // The counter's current time in milliseconds.
    double GetCurTime();
    // Seconds since Start, paused time not counted.
    double GetDiffTime();
    // Seconds of all run segments, meaningful after Stop.
    double GetTime();

    // Ticks a second; 0 until Init has run.
    static double m_dbFreq;

private:
    static LONGLONG Now();

    LONGLONG m_llStart = 0;
    LONGLONG m_llPaused = 0;
};
