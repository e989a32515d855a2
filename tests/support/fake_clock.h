// Sets the local time the program reads as now, for as long as a FakeClock lives.
#pragma once
#include <windows.h>
#include "platform/clock.h"
#include "support/seam_override.h"

class FakeClock {
public:
    // Starts at the given date and time; the day of the week is derived from the date.
    FakeClock(int year, int month, int day, int hour, int minute);
    void set(int year, int month, int day, int hour, int minute);
    void advanceMinutes(int minutes);
    static SYSTEMTIME make(int year, int month, int day, int hour, int minute);

private:
    SeamOverride<void (WINAPI*)(LPSYSTEMTIME)> seam_;
};
