// The whole-session deadline of a POP3 session.
#include "mailcheck/session_deadline.h"
#include "mailcheck/session_limits.h"

namespace {
DWORD perWaitLimitMs()
{
    LONG limit = serverTimeoutMs;
    return limit < 0 ? 0 : DWORD(limit);
}
} // namespace

uint32_t sessionTimeLeftMs(uint32_t elapsedMs, uint64_t receivedBytes, LONG serverTimeout)
{
    uint64_t perWait = serverTimeout < 0 ? 0 : uint64_t(serverTimeout);
    uint64_t allowed = perWait * sessionTimeoutsAllowed + receivedBytes * sessionMsPerReceivedByte;
    if (elapsedMs >= allowed)
        return 0;
    uint64_t left = allowed - elapsedMs;
    return left > 0xFFFFFFFEu ? 0xFFFFFFFEu : uint32_t(left);
}

SessionDeadline::SessionDeadline() : startedAt_(GetTickCount()) {}

DWORD SessionDeadline::timeLeftMs() const
{
    // Tick differences stay right across the 49-day wrap of GetTickCount.
    uint32_t elapsed = GetTickCount() - startedAt_;
    return sessionTimeLeftMs(elapsed, receivedBytes_, serverTimeoutMs);
}

DWORD nextWaitMs(const SessionDeadline* deadline)
{
    DWORD limit = perWaitLimitMs();
    if (!deadline)
        return limit;
    DWORD left = deadline->timeLeftMs();
    return left < limit ? left : limit;
}

bool sessionTimeIsUp(const SessionDeadline* deadline)
{
    return deadline && deadline->timeLeftMs() == 0;
}

void creditReceived(SessionDeadline* deadline, uint32_t bytes)
{
    if (deadline)
        deadline->received(bytes);
}
