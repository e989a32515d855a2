// Binds the clock seam to the platform's GetLocalTime.
#include "platform/clock.h"

ClockCalls clockCalls = { ::GetLocalTime };

SYSTEMTIME localTimeNow()
{
    SYSTEMTIME now;
    clockCalls.GetLocalTime(&now);
    return now;
}
