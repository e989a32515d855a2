// The whole-session deadline of the thread running a POP3 session.
#include "mailcheck/session_deadline.h"
#include "mailcheck/session_limits.h"

namespace {
thread_local SessionDeadline* currentSession = nullptr;

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

SessionDeadline::SessionDeadline() : startedAt_(GetTickCount()), outer_(currentSession)
{
    currentSession = this;
}

SessionDeadline::~SessionDeadline()
{
    currentSession = outer_;
}

DWORD SessionDeadline::nextWaitMs()
{
    DWORD limit = perWaitLimitMs();
    SessionDeadline* session = currentSession;
    if (!session)
        return limit;
    // Tick differences stay right across the 49-day wrap of GetTickCount.
    uint32_t elapsed = GetTickCount() - session->startedAt_;
    uint32_t left = sessionTimeLeftMs(elapsed, session->receivedBytes_, serverTimeoutMs);
    return left < limit ? left : limit;
}

void SessionDeadline::received(uint32_t bytes)
{
    if (currentSession)
        currentSession->receivedBytes_ += bytes;
}
