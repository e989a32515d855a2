// The whole-session deadline: a server that sends one byte just before every wait would expire
// must not keep a check (and its entry) busy forever.
#pragma once
#include <windows.h>
#include <cstdint>

// A session may take ten server time-outs, plus 10 ms for every byte it received (replies at
// 100 bytes a second, slower than any working dial-up line). Past that, the next wait ends at
// once and the step in progress fails as on a time-out.
const uint32_t sessionTimeoutsAllowed = 10;
const uint32_t sessionMsPerReceivedByte = 10;

// Milliseconds a session that started elapsedMs ago and received receivedBytes may still wait,
// with serverTimeout ms per wait; 0 when its time is up. Computed in 64 bits.
uint32_t sessionTimeLeftMs(uint32_t elapsedMs, uint64_t receivedBytes, LONG serverTimeout);

// Marks the calling thread as running one session from construction to destruction. The socket
// waits and receives of that thread measure themselves against it; outside a session (a test
// calling readReply directly) only serverTimeoutMs bounds a wait.
class SessionDeadline {
public:
    SessionDeadline();
    ~SessionDeadline();
    SessionDeadline(const SessionDeadline&) = delete;
    SessionDeadline& operator=(const SessionDeadline&) = delete;

    // The longest the calling thread's next wait may take: serverTimeoutMs (never negative), cut
    // to what its session has left.
    static DWORD nextWaitMs();
    // Counts bytes that arrived on the calling thread's session.
    static void received(uint32_t bytes);

private:
    DWORD startedAt_;
    uint64_t receivedBytes_ = 0;
    SessionDeadline* outer_;
};
