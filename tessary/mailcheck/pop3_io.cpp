// Sending commands and gathering replies on a non-blocking socket, plain or through TLS, waiting
// on its event object and on the entry's stop event so that the user-interface thread can cut any
// wait short.
#include "mailcheck/pop3_session.h"
#include "mailcheck/pop3_stream.h"
#include "mailcheck/session_deadline.h"
#include "mailcheck/tls_channel.h"
#include <cstring>
#include <memory>
#include <new>

NetworkWait waitForNetwork(const Pop3Stream& stream, WSANETWORKEVENTS& happened)
{
    WSAEVENT events[2] = { stream.socketEvent, stream.stopEvent };
    DWORD count = stream.stopEvent ? 2 : 1;
    DWORD woke = WSAWaitForMultipleEvents(count, events, FALSE, nextWaitMs(stream.deadline), FALSE);
    if (woke == WSA_WAIT_TIMEOUT)
        return NetworkWait::timedOut;
    if (woke == WSA_WAIT_EVENT_0 + 1)
        return NetworkWait::stopped;
    if (woke != WSA_WAIT_EVENT_0)
        return NetworkWait::failed;
    return WSAEnumNetworkEvents(stream.socket, stream.socketEvent, &happened) == 0 ? NetworkWait::ready
                                                                                   : NetworkWait::failed;
}

namespace {

// Waits for news on the socket; false on time-out, the stop event or a failed wait.
bool waitForSocket(const Pop3Stream& stream, WSANETWORKEVENTS& happened)
{
    return waitForNetwork(stream, happened) == NetworkWait::ready;
}

// One receive into the free part of the read-ahead.
Received receiveMore(const Pop3Stream& stream, ReadAhead& ahead)
{
    int room = ReadAhead::capacity - ahead.end;
    if (stream.tls) {
        int decrypted = 0;
        Received step = stream.tls->receive(ahead.data + ahead.end, room, decrypted);
        ahead.end += decrypted;
        return step;
    }
    int got = recv(stream.socket, ahead.data + ahead.end, room, 0);
    if (got == SOCKET_ERROR)
        return WSAGetLastError() == WSAEWOULDBLOCK ? Received::nothingYet : Received::failed;
    if (got == 0)
        return Received::closed;
    creditReceived(stream.deadline, uint32_t(got));
    ahead.end += got;
    return Received::data;
}

// One reply in a buffer of size bytes, NUL-terminated as it grows: a single line, or with
// multiLine everything up to "\r\n.\r\n" (an "-ERR" reply is one line even then). A reply that
// reaches size - 1 bytes does not fit.
class BufferedReply : public ReplyReader {
public:
    BufferedReply(char* buffer, int size, bool multiLine) : buffer_(buffer), size_(size), multiLine_(multiLine) {}

    Progress take(const char* data, size_t length, size_t& used) override
    {
        for (used = 0; used < length;) {
            char c = data[used++];
            buffer_[received_++] = c;
            if (received_ >= size_ - 1)
                return Progress::failed;
            buffer_[received_] = '\0';
            if (c == '\n' && isComplete())
                return Progress::done;
        }
        return Progress::more;
    }

private:
    // Looked at when a line ends, so the first end sequence ends the reply.
    bool isComplete() const
    {
        bool refused = received_ >= 4 && memcmp(buffer_, "-ERR", 4) == 0;
        if (!multiLine_ || refused)
            return received_ >= 2 && buffer_[received_ - 2] == '\r';
        return received_ >= 5 && memcmp(buffer_ + received_ - 5, "\r\n.\r\n", 5) == 0;
    }

    char* buffer_;
    int size_;
    bool multiLine_;
    int received_ = 0;
};

// The network events to act on next. A TLS channel may already hold what the next reply needs
// (decrypted, or records that arrived together): then there is nothing to wait for. Over TLS a
// close is only believed once the records before it have been taken. A wake without events is
// taken as a possible read: sending may have taken the news of data that came meanwhile.
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
    if (events == 0 || (stream.tls && (events & FD_CLOSE)))
        events |= FD_READ;
    return true;
}

// Waits until the socket takes more data; false on close, time-out, the stop event or failure.
// Taking the events takes the read notice of data that arrived meanwhile, and Winsock gives a new
// one only after a receive. The notice is handed on to the reading that follows by setting the
// event again when the wait ends (see nextEvents); bringing it back at once (a peek) would wake
// this wait again and again while the peer does not read, so that it spun and never saw the stop
// event.
bool waitUntilWritable(const Pop3Stream& stream)
{
    bool sawData = false;
    bool writable = false;
    for (;;) {
        WSANETWORKEVENTS happened;
        if (!waitForSocket(stream, happened))
            break;
        // A wake without events is a notice handed on by an earlier wait of the same send.
        sawData = sawData || (happened.lNetworkEvents & FD_READ) || happened.lNetworkEvents == 0;
        if (happened.lNetworkEvents & FD_CLOSE)
            break;
        if (happened.lNetworkEvents & FD_WRITE) {
            writable = true;
            break;
        }
    }
    if (sawData)
        WSASetEvent(stream.socketEvent);
    return writable;
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

// Receives taken in a row without a wait, at most.
const int eagerReceives = 8;

bool readReplyWith(const Pop3Stream& stream, ReplyReader& reader)
{
    std::unique_ptr<ReadAhead> own;
    if (!stream.ahead) {
        own.reset(new (std::nothrow) ReadAhead);
        if (!own)
            return false;
    }
    ReadAhead& ahead = stream.ahead ? *stream.ahead : *own;
    for (;;) {
        if (ahead.start < ahead.end) {
            size_t used = 0;
            ReplyReader::Progress step = reader.take(ahead.data + ahead.start, size_t(ahead.end - ahead.start), used);
            ahead.start += int(used);
            if (step != ReplyReader::Progress::more)
                return step == ReplyReader::Progress::done;
            continue;
        }
        ahead.start = ahead.end = 0;
        if (ahead.peerClosed) {
            // Winsock may report the close while data before it still waits to be received.
            if (receiveMore(stream, ahead) != Received::data)
                return false;
            continue;
        }
        if (ahead.eagerLeft > 0) {
            --ahead.eagerLeft;
            Received got = receiveMore(stream, ahead);
            if (got == Received::closed || got == Received::failed)
                return false;
            if (got == Received::data)
                continue;
        }
        long events = 0;
        if (!nextEvents(stream, events))
            return false;
        if (events & FD_READ) {
            Received got = receiveMore(stream, ahead);
            if (got == Received::closed || got == Received::failed)
                return false;
            ahead.eagerLeft = got == Received::data ? eagerReceives : 0;
        }
        if (events & FD_CLOSE)
            ahead.peerClosed = true;
    }
}

bool readReply(const Pop3Stream& stream, char* buffer, int size, bool multiLine)
{
    if (!buffer || size < 2)
        return false;
    // The buffer is reused reply after reply; an old reply must never pass for this one.
    buffer[0] = '\0';
    BufferedReply reply(buffer, size, multiLine);
    return readReplyWith(stream, reply);
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
    return sendAll(Pop3Stream{ s, socketEvent, stopEvent, nullptr, nullptr }, data, length);
}

bool readReply(SOCKET s, char* buffer, int size, WSAEVENT socketEvent, HANDLE stopEvent, bool multiLine)
{
    return readReply(Pop3Stream{ s, socketEvent, stopEvent, nullptr, nullptr }, buffer, size, multiLine);
}

bool readStatusReply(SOCKET s, char* buffer, int size, WSAEVENT socketEvent, HANDLE stopEvent, bool multiLine)
{
    return readStatusReply(Pop3Stream{ s, socketEvent, stopEvent, nullptr, nullptr }, buffer, size, multiLine);
}
