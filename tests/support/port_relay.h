// Relays connections from a local port to another local port, so that a program that always
// uses the POP3 port can reach a test server listening elsewhere.
#pragma once
#include <winsock2.h>
#include <windows.h>

class PortRelay {
public:
    PortRelay() = default;
    ~PortRelay();
    PortRelay(const PortRelay&) = delete;
    PortRelay& operator=(const PortRelay&) = delete;

    // Listens on 127.0.0.1:from and forwards each connection to 127.0.0.1:to. False when the
    // port cannot be taken (in use, or reserved to administrators).
    bool start(unsigned short from, unsigned short to);
    int connections() const { return connections_; }

private:
    static DWORD WINAPI acceptLoop(LPVOID relay);
    static DWORD WINAPI pipeLoop(LPVOID pair);

    SOCKET listener_ = INVALID_SOCKET;
    HANDLE thread_ = nullptr;
    unsigned short to_ = 0;
    volatile LONG connections_ = 0;
};
