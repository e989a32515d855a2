// The local time the program reads as "now". Everything that looks at the clock goes through
// clockCalls, so tests can put the schedule at any moment (23:50, a month end, ...).
#pragma once
#include <windows.h>

struct ClockCalls {
    void (WINAPI *GetLocalTime)(LPSYSTEMTIME);
};
extern ClockCalls clockCalls;

// Local time now, as GetLocalTime gives it.
SYSTEMTIME localTimeNow();
