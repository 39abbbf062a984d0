#include "platform/kernel/clock.h"

#include <ctime>

namespace {

timespec monotonicNow()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts;
}

}  // namespace

DWORD GetTickCount()
{
    timespec ts = monotonicNow();
    auto ms = static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<DWORD>(ms);
}

BOOL QueryPerformanceCounter(LARGE_INTEGER* count)
{
    if (count == nullptr) return FALSE;
    timespec ts = monotonicNow();
    count->QuadPart = static_cast<LONGLONG>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
    return TRUE;
}

BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency)
{
    if (frequency == nullptr) return FALSE;
    frequency->QuadPart = 1000000000LL;
    return TRUE;
}

__time64_t _time64(__time64_t* t)
{
    // The same clock as GetLocalTime: time() may read a coarser one that lags it across a second.
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    auto now = static_cast<__time64_t>(ts.tv_sec);
    if (t != nullptr) *t = now;
    return now;
}

void GetLocalTime(LPSYSTEMTIME time)
{
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    localtime_r(&ts.tv_sec, &tm);
    time->wYear = static_cast<WORD>(tm.tm_year + 1900);
    time->wMonth = static_cast<WORD>(tm.tm_mon + 1);
    time->wDayOfWeek = static_cast<WORD>(tm.tm_wday);
    time->wDay = static_cast<WORD>(tm.tm_mday);
    time->wHour = static_cast<WORD>(tm.tm_hour);
    time->wMinute = static_cast<WORD>(tm.tm_min);
    time->wSecond = static_cast<WORD>(tm.tm_sec > 59 ? 59 : tm.tm_sec);
    time->wMilliseconds = static_cast<WORD>(ts.tv_nsec / 1000000);
}
