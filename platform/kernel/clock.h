// Tick counts, the performance counter, calendar time and local time.
#pragma once

#include "platform/kernel/win_types.h"

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
using LPSYSTEMTIME = SYSTEMTIME*;

// Milliseconds of the monotonic clock, wrapping at 2^32.
DWORD GetTickCount();
// A nanosecond counter; the frequency is 1000000000 ticks a second.
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
// Seconds since 1970-01-01 UTC; also stored through t when it is not NULL.
__time64_t _time64(__time64_t* t);
// The local date and time with milliseconds (wDayOfWeek: 0 is Sunday).
void GetLocalTime(LPSYSTEMTIME time);
