// The connection of one POP3 session: the socket, its event, the TLS channel once there is one,
// and the bytes received ahead of the reply being read. All are closed however the session ends.
#pragma once
#include "mailcheck/pop3_session.h"
#include "mailcheck/pop3_stream.h"
#include "mailcheck/tls_channel.h"
#include "mailcheck/tls_library.h"
#include <cstddef>
#include <optional>

class Pop3Connection {
public:
    // deadline is the session's, and outlives the connection.
    Pop3Connection(SOCKET s, HANDLE stopEvent, SessionDeadline* deadline);
    // A connection that outlives one exchange (IMAP watching) takes each exchange's deadline in turn.
    void setDeadline(SessionDeadline* deadline) { stream_.deadline = deadline; }
    // ... and the stop event of the worker that talks over it now (null: none).
    void setStopEvent(HANDLE stopEvent) { stream_.stopEvent = stopEvent; }
    ~Pop3Connection(); // the TLS channel first, with close_notify
    Pop3Connection(const Pop3Connection&) = delete;
    Pop3Connection& operator=(const Pop3Connection&) = delete;

    // Creates the socket event and selects the network events (the socket becomes non-blocking).
    int open();

    bool send(const char* line);
    bool sendBytes(const char* data, size_t length);
    bool status(char* buffer, int size, bool multiLine);
    bool read(ReplyReader& reader);

    // Waits up to ms (not bounded by the server time-out) until the server sends something, for a
    // connection that idles between replies (IMAP IDLE). The data stays for the next read.
    NetworkWait waitForInput(DWORD ms);

    // Sends one command line and reads its status reply; the two codes name the failing half.
    int command(const char* line, char* reply, int notSent, int refused);

    // TLS over the connection from here on: the handshake, then the program's own check of the
    // server's certificate. Only when both pass does the session talk through the channel.
    int startTls(const Pop3Target& target, char* why, size_t whySize);

private:
    Pop3Stream stream_;
    ReadAhead ahead_;
    TlsLibrary library_;              // loaded by startTls; outlives the channel
    std::optional<TlsChannel> tls_;
};
