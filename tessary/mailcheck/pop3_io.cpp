// Sending commands and gathering replies on a non-blocking socket, plain or through TLS, waiting
// on its event object and on the entry's stop event so that the user-interface thread can cut any
// wait short.
#include "mailcheck/pop3_session.h"
#include "mailcheck/pop3_stream.h"
#include "mailcheck/session_deadline.h"
#include "mailcheck/tls_channel.h"
#include <cstring>

NetworkWait waitForNetwork(SOCKET s, WSAEVENT socketEvent, HANDLE stopEvent, WSANETWORKEVENTS& happened)
{
    WSAEVENT events[2] = { socketEvent, stopEvent };
    DWORD count = stopEvent ? 2 : 1;
    DWORD woke = WSAWaitForMultipleEvents(count, events, FALSE, SessionDeadline::nextWaitMs(), FALSE);
    if (woke == WSA_WAIT_TIMEOUT)
        return NetworkWait::timedOut;
    if (woke == WSA_WAIT_EVENT_0 + 1)
        return NetworkWait::stopped;
    if (woke != WSA_WAIT_EVENT_0)
        return NetworkWait::failed;
    return WSAEnumNetworkEvents(s, socketEvent, &happened) == 0 ? NetworkWait::ready : NetworkWait::failed;
}

namespace {

// Waits for news on the socket; false on time-out, the stop event or a failed wait.
bool waitForSocket(const Pop3Stream& stream, WSANETWORKEVENTS& happened)
{
    return waitForNetwork(stream.socket, stream.socketEvent, stream.stopEvent, happened) == NetworkWait::ready;
}

enum class Received { data, nothingYet, closed, failed };

Received receiveFromTls(TlsChannel& tls, char* into, int room, int& received)
{
    int got = 0;
    switch (tls.receive(into, room, got)) {
    case TlsRead::data:
        received += got;
        return Received::data;
    case TlsRead::nothingYet:
        return Received::nothingYet;
    case TlsRead::closed:
        return Received::closed;
    case TlsRead::failed:
        break;
    }
    return Received::failed;
}

// One receive into the free part of the buffer.
Received receiveMore(const Pop3Stream& stream, char* buffer, int size, int& received)
{
    if (stream.tls)
        return receiveFromTls(*stream.tls, buffer + received, size - received, received);
    int got = recv(stream.socket, buffer + received, size - received, 0);
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

// Takes what the stream has; failed when it errs, closes or the reply outgrows the buffer.
Progress takeData(const Pop3Stream& stream, char* buffer, int size, int& received, bool multiLine)
{
    switch (receiveMore(stream, buffer, size, received)) {
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

// The network events to act on next. A TLS channel may already hold what the next reply needs
// (decrypted, or records that arrived together): then there is nothing to wait for. Over TLS a
// close is only believed once the records before it have been taken.
bool nextEvents(const Pop3Stream& stream, long& events)
{
    if (stream.tls && stream.tls->hasPendingInput()) {
        events = FD_READ;
        return true;
    }
    WSANETWORKEVENTS happened;
    if (!waitForSocket(stream, happened))
        return false;
    events = happened.lNetworkEvents;
    if (stream.tls && (events & FD_CLOSE))
        events |= FD_READ;
    return true;
}

// Waits until the socket takes more data; false on close, time-out, the stop event or failure.
bool waitUntilWritable(const Pop3Stream& stream)
{
    for (;;) {
        WSANETWORKEVENTS happened;
        if (!waitForSocket(stream, happened))
            return false;
        if (happened.lNetworkEvents & FD_CLOSE)
            return false;
        if (happened.lNetworkEvents & FD_WRITE)
            return true;
    }
}

bool sendPlain(const Pop3Stream& stream, const char* data, int length)
{
    int sent = 0;
    while (sent < length) {
        int done = send(stream.socket, data + sent, length - sent, 0);
        if (done != SOCKET_ERROR) {
            sent += done;
            continue;
        }
        if (WSAGetLastError() != WSAEWOULDBLOCK)
            return false;
        // A peer that stops reading must not hold the session forever.
        if (!waitUntilWritable(stream))
            return false;
    }
    return true;
}

} // namespace

bool sendAll(const Pop3Stream& stream, const char* data, int length)
{
    if (stream.tls)
        return stream.tls->send(data, length);
    return sendPlain(stream, data, length);
}

bool readReply(const Pop3Stream& stream, char* buffer, int size, bool multiLine)
{
    if (!buffer || size < 2)
        return false;
    int received = 0;
    // The buffer is reused reply after reply; an old reply must never pass for this one.
    buffer[0] = '\0';
    for (;;) {
        long events = 0;
        if (!nextEvents(stream, events))
            return false;
        if (events & FD_READ) {
            Progress step = takeData(stream, buffer, size, received, multiLine);
            if (step == Progress::complete)
                return true;
            if (step == Progress::failed)
                return false;
        }
        // Winsock reports the close once everything before it has been read.
        if (events & FD_CLOSE)
            return false;
    }
}

bool readStatusReply(const Pop3Stream& stream, char* buffer, int size, bool multiLine)
{
    bool arrived = readReply(stream, buffer, size, multiLine);
    if (buffer && size > 0)
        buffer[size - 1] = '\0';
    return arrived && strncmp(buffer, "+OK", 3) == 0;
}

bool sendAll(SOCKET s, const char* data, int length, WSAEVENT socketEvent, HANDLE stopEvent)
{
    return sendAll(Pop3Stream{ s, socketEvent, stopEvent, nullptr }, data, length);
}

bool readReply(SOCKET s, char* buffer, int size, WSAEVENT socketEvent, HANDLE stopEvent, bool multiLine)
{
    return readReply(Pop3Stream{ s, socketEvent, stopEvent, nullptr }, buffer, size, multiLine);
}

bool readStatusReply(SOCKET s, char* buffer, int size, WSAEVENT socketEvent, HANDLE stopEvent, bool multiLine)
{
    return readStatusReply(Pop3Stream{ s, socketEvent, stopEvent, nullptr }, buffer, size, multiLine);
}
