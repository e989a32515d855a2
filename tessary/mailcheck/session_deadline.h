// The whole-session deadline: a server that sends one byte just before every wait would expire
// must not keep a check (and its entry) busy forever.
#pragma once
#include <windows.h>
#include <cstdint>

// A session may take ten server time-outs, plus 10 ms for every byte of text it received
// (replies at 100 bytes a second, slower than any working dial-up line). Over TLS only decrypted
// text counts: record headers, padding, empty records and handshakes earn nothing. Past that, the
// next wait ends at once and the step in progress fails as on a time-out.
const uint32_t sessionTimeoutsAllowed = 10;
const uint32_t sessionMsPerReceivedByte = 10;

// Milliseconds a session that started elapsedMs ago and received receivedBytes may still wait,
// with serverTimeout ms per wait; 0 when its time is up. Computed in 64 bits.
uint32_t sessionTimeLeftMs(uint32_t elapsedMs, uint64_t receivedBytes, LONG serverTimeout);

// The deadline of one session, owned by the session and handed to its stream, so that any number
// of sessions may run on any threads.
class SessionDeadline {
public:
    SessionDeadline(); // the session starts now
    SessionDeadline(const SessionDeadline&) = delete;
    SessionDeadline& operator=(const SessionDeadline&) = delete;

    // Milliseconds the session may still wait; 0 once its time is up.
    DWORD timeLeftMs() const;
    // Counts bytes of text that arrived.
    void received(uint32_t bytes) { receivedBytes_ += bytes; }

private:
    DWORD startedAt_;
    uint64_t receivedBytes_ = 0;
};

// The longest the next wait may take: serverTimeoutMs (never negative), cut to what the session
// has left; without a session (a test reading one reply) only serverTimeoutMs.
DWORD nextWaitMs(const SessionDeadline* deadline);
// True when deadline is a session's and its time is up.
bool sessionTimeIsUp(const SessionDeadline* deadline);
// Credits text that arrived to the session, if there is one.
void creditReceived(SessionDeadline* deadline, uint32_t bytes);
