// The byte stream a POP3 session talks over: the socket itself, or a TLS channel on it. The reply
// reading and the sending behave the same over both (line ends, buffer limits, the server timeout
// per wait, the stop event).
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <cstddef>

class SessionDeadline;
class TlsChannel;

// Bytes received and not yet taken by a reply. With commands pipelined one receive may bring the
// end of one reply and the start of the next; what is left waits here for the next reply.
struct ReadAhead {
    static const int capacity = 32768;
    char data[capacity];
    int start = 0;
    int end = 0;
    bool peerClosed = false; // the close was reported: what is left is read without waiting
    // While replies stream in, the next piece is usually there already: this many receives are
    // tried before waiting for the socket's notice. A wait still runs every few pieces, so that
    // the stop event and the deadline are seen however fast the server sends.
    int eagerLeft = 0;
};

struct Pop3Stream {
    SOCKET socket;
    WSAEVENT socketEvent; // selected for FD_READ | FD_WRITE | FD_CLOSE on socket
    HANDLE stopEvent;     // may be null
    TlsChannel* tls;      // null: plain text on the socket
    ReadAhead* ahead;     // null: each reply reads for itself and drops what follows it
    SessionDeadline* deadline = nullptr; // null outside a session: only serverTimeoutMs bounds a wait
};

// What one receive from the stream gave, through TLS or not.
enum class Received { data, nothingYet, closed, failed };

// One reply being gathered from the stream, whatever its form.
class ReplyReader {
public:
    enum class Progress { more, done, failed };
    // Takes bytes of the reply as they arrive; used tells how many belonged to it (all unless
    // the reply ended or failed within them).
    virtual Progress take(const char* data, size_t length, size_t& used) = 0;

protected:
    ~ReplyReader() = default;
};

bool sendAll(const Pop3Stream& stream, const char* data, int length);
bool readReply(const Pop3Stream& stream, char* buffer, int size, bool multiLine);
bool readStatusReply(const Pop3Stream& stream, char* buffer, int size, bool multiLine);
// Gathers one reply into reader; true once it is done. False when the reader fails, or the
// stream does: time-out, the stop event, the peer closing, a receive error.
bool readReplyWith(const Pop3Stream& stream, ReplyReader& reader);

enum class NetworkWait { ready, timedOut, stopped, failed };

// One wait for news on the socket, at most serverTimeoutMs and never past the session's deadline,
// cut short by the stop event. On ready, happened holds the network events (and the socket event
// is reset).
NetworkWait waitForNetwork(const Pop3Stream& stream, WSANETWORKEVENTS& happened);
