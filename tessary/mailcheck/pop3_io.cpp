// Sending commands and gathering replies on a non-blocking socket, waiting on its event object
// and on the entry's stop event so that the user-interface thread can cut any wait short.
#include "mailcheck/pop3_session.h"
#include "mailcheck/session_deadline.h"
#include <cstring>

namespace {

// Waits for news on the socket, at most serverTimeoutMs and never past the session's deadline;
// false on time-out, the stop event or a failed wait. On success happened holds the network
// events (and the event is reset).
bool waitForSocket(SOCKET s, WSAEVENT socketEvent, HANDLE stopEvent, WSANETWORKEVENTS& happened)
{
    WSAEVENT events[2] = { socketEvent, stopEvent };
    DWORD count = stopEvent ? 2 : 1;
    DWORD woke = WSAWaitForMultipleEvents(count, events, FALSE, SessionDeadline::nextWaitMs(), FALSE);
    if (woke != WSA_WAIT_EVENT_0)
        return false;
    return WSAEnumNetworkEvents(s, socketEvent, &happened) == 0;
}

enum class Received { data, nothingYet, closed, failed };

// One recv into the free part of the buffer.
Received receiveMore(SOCKET s, char* buffer, int size, int& received)
{
    int got = recv(s, buffer + received, size - received, 0);
    if (got == SOCKET_ERROR)
        return WSAGetLastError() == WSAEWOULDBLOCK ? Received::nothingYet : Received::failed;
    if (got == 0)
        return Received::closed;
    SessionDeadline::received(uint32_t(got));
    received += got;
    return Received::data;
}

// A length-bounded search: a reply may carry NUL bytes, and nothing past what arrived is read.
bool containsBytes(const char* data, int length, const char* sequence, int sequenceLength)
{
    for (int i = 0; i + sequenceLength <= length; ++i) {
        if (data[i] == sequence[0] && memcmp(data + i, sequence, sequenceLength) == 0)
            return true;
    }
    return false;
}

// An "-ERR" reply is one line even where a multi-line reply was asked for.
bool isComplete(const char* buffer, int received, bool multiLine)
{
    bool refused = received >= 4 && memcmp(buffer, "-ERR", 4) == 0;
    if (!multiLine || refused)
        return containsBytes(buffer, received, "\r\n", 2);
    return containsBytes(buffer, received, "\r\n.\r\n", 5);
}

enum class Progress { incomplete, complete, failed };

// Takes what the socket has; failed when it errs, closes or the reply outgrows the buffer.
Progress takeData(SOCKET s, char* buffer, int size, int& received, bool multiLine)
{
    switch (receiveMore(s, buffer, size, received)) {
    case Received::nothingYet:
        return Progress::incomplete;
    case Received::closed:
    case Received::failed:
        return Progress::failed;
    case Received::data:
        break;
    }
    if (received >= size - 1)
        return Progress::failed;
    buffer[received] = '\0';
    return isComplete(buffer, received, multiLine) ? Progress::complete : Progress::incomplete;
}

// Waits until the socket takes more data; false on close, time-out, the stop event or failure.
bool waitUntilWritable(SOCKET s, WSAEVENT socketEvent, HANDLE stopEvent)
{
    for (;;) {
        WSANETWORKEVENTS happened;
        if (!waitForSocket(s, socketEvent, stopEvent, happened))
            return false;
        if (happened.lNetworkEvents & FD_CLOSE)
            return false;
        if (happened.lNetworkEvents & FD_WRITE)
            return true;
    }
}

} // namespace

bool sendAll(SOCKET s, const char* data, int length, WSAEVENT socketEvent, HANDLE stopEvent)
{
    int sent = 0;
    while (sent < length) {
        int done = send(s, data + sent, length - sent, 0);
        if (done != SOCKET_ERROR) {
            sent += done;
            continue;
        }
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            return false;
        // A peer that stops reading must not hold the session forever.
        if (!waitUntilWritable(s, socketEvent, stopEvent))
            return false;
    }
    return true;
}

bool readReply(SOCKET s, char* buffer, int size, WSAEVENT socketEvent, HANDLE stopEvent,
               bool multiLine)
{
    if (!buffer || size < 2)
        return false;
    int received = 0;
    // The buffer is reused reply after reply; an old reply must never pass for this one.
    buffer[0] = '\0';
    for (;;) {
        WSANETWORKEVENTS happened;
        if (!waitForSocket(s, socketEvent, stopEvent, happened))
            return false;
        if (happened.lNetworkEvents & FD_READ) {
            Progress step = takeData(s, buffer, size, received, multiLine);
            if (step == Progress::complete)
                return true;
            if (step == Progress::failed)
                return false;
        }
        // Winsock reports the close once everything before it has been read.
        if (happened.lNetworkEvents & FD_CLOSE)
            return false;
    }
}

bool readStatusReply(SOCKET s, char* buffer, int size, WSAEVENT socketEvent, HANDLE stopEvent,
                     bool multiLine)
{
    bool arrived = readReply(s, buffer, size, socketEvent, stopEvent, multiLine);
    if (buffer && size > 0)
        buffer[size - 1] = '\0';
    return arrived && strncmp(buffer, "+OK", 3) == 0;
}
