// The byte stream a POP3 session talks over: the socket itself, or a TLS channel on it. The reply
// reading and the sending behave the same over both (line ends, buffer limits, the server timeout
// per wait, the stop event).
#pragma once
#include <winsock2.h>
#include <windows.h>

class TlsChannel;

struct Pop3Stream {
    SOCKET socket;
    WSAEVENT socketEvent; // selected for FD_READ | FD_WRITE | FD_CLOSE on socket
    HANDLE stopEvent;     // may be null
    TlsChannel* tls;      // null: plain text on the socket
};

bool sendAll(const Pop3Stream& stream, const char* data, int length);
bool readReply(const Pop3Stream& stream, char* buffer, int size, bool multiLine);
bool readStatusReply(const Pop3Stream& stream, char* buffer, int size, bool multiLine);

enum class NetworkWait { ready, timedOut, stopped, failed };

// One wait for news on the socket, at most serverTimeoutMs and never past the session's deadline,
// cut short by the stop event. On ready, happened holds the network events (and the socket event
// is reset).
NetworkWait waitForNetwork(SOCKET s, WSAEVENT socketEvent, HANDLE stopEvent, WSANETWORKEVENTS& happened);
