// One thread accepts; each connection gets a thread that copies bytes both ways until either
// side closes.
#include "support/port_relay.h"
#include <initializer_list>

namespace {

struct Pair {
    SOCKET client;
    SOCKET server;
};

sockaddr_in loopback(unsigned short port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

} // namespace

PortRelay::~PortRelay()
{
    if (listener_ != INVALID_SOCKET)
        closesocket(listener_);
    if (thread_) {
        WaitForSingleObject(thread_, 5000);
        CloseHandle(thread_);
    }
}

bool PortRelay::start(unsigned short from, unsigned short to)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 0), &data);
    to_ = to;
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = loopback(from);
    if (listener_ == INVALID_SOCKET || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 8) != 0) {
        if (listener_ != INVALID_SOCKET)
            closesocket(listener_);
        listener_ = INVALID_SOCKET;
        return false;
    }
    thread_ = CreateThread(nullptr, 0, acceptLoop, this, 0, nullptr);
    return thread_ != nullptr;
}

DWORD WINAPI PortRelay::acceptLoop(LPVOID parameter)
{
    PortRelay* relay = static_cast<PortRelay*>(parameter);
    for (;;) {
        SOCKET client = accept(relay->listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return 0; // the listener was closed
        SOCKET server = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = loopback(relay->to_);
        if (connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            closesocket(server);
            closesocket(client);
            continue;
        }
        InterlockedIncrement(&relay->connections_);
        HANDLE pipe = CreateThread(nullptr, 0, pipeLoop, new Pair{ client, server }, 0, nullptr);
        if (pipe)
            CloseHandle(pipe);
    }
}

DWORD WINAPI PortRelay::pipeLoop(LPVOID parameter)
{
    Pair* pair = static_cast<Pair*>(parameter);
    char buffer[8192];
    for (bool open = true; open;) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(pair->client, &readable);
        FD_SET(pair->server, &readable);
        if (select(0, &readable, nullptr, nullptr, nullptr) <= 0)
            break;
        for (SOCKET from : { pair->client, pair->server }) {
            if (!FD_ISSET(from, &readable))
                continue;
            SOCKET to = from == pair->client ? pair->server : pair->client;
            int got = recv(from, buffer, sizeof buffer, 0);
            if (got <= 0 || send(to, buffer, got, 0) != got)
                open = false;
        }
    }
    closesocket(pair->client);
    closesocket(pair->server);
    delete pair;
    return 0;
}
