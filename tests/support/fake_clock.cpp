// The fake local time: one process-wide moment handed out by the clock seam.
#include "support/fake_clock.h"

namespace {
SYSTEMTIME fakeNow;

void WINAPI fakeGetLocalTime(LPSYSTEMTIME out)
{
    *out = fakeNow;
}
} // namespace

FakeClock::FakeClock(int year, int month, int day, int hour, int minute)
    : seam_(clockCalls.GetLocalTime, fakeGetLocalTime)
{
    set(year, month, day, hour, minute);
}

SYSTEMTIME FakeClock::make(int year, int month, int day, int hour, int minute)
{
    SYSTEMTIME t = {};
    t.wYear = static_cast<WORD>(year);
    t.wMonth = static_cast<WORD>(month);
    t.wDay = static_cast<WORD>(day);
    t.wHour = static_cast<WORD>(hour);
    t.wMinute = static_cast<WORD>(minute);
    FILETIME asFileTime;
    SystemTimeToFileTime(&t, &asFileTime); // normalises, and fills in the day of the week
    FileTimeToSystemTime(&asFileTime, &t);
    return t;
}

void FakeClock::set(int year, int month, int day, int hour, int minute)
{
    fakeNow = make(year, month, day, hour, minute);
}

void FakeClock::advanceMinutes(int minutes)
{
    FILETIME asFileTime;
    SystemTimeToFileTime(&fakeNow, &asFileTime);
    ULARGE_INTEGER ticks;
    ticks.LowPart = asFileTime.dwLowDateTime;
    ticks.HighPart = asFileTime.dwHighDateTime;
    ticks.QuadPart += static_cast<ULONGLONG>(static_cast<LONGLONG>(minutes) * 60 * 10000000LL);
    asFileTime.dwLowDateTime = ticks.LowPart;
    asFileTime.dwHighDateTime = ticks.HighPart;
    FileTimeToSystemTime(&asFileTime, &fakeNow);
}
