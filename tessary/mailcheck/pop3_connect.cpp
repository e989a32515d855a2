// Starting Winsock for a check worker and opening the TCP connection to a POP3 server.
#include "mailcheck/pop3_session.h"
#include <cstring>

bool startWinsock()
{
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 0), &data) != 0)
        return false;
    if (LOBYTE(data.wVersion) != 2 || HIBYTE(data.wVersion) != 0) {
        WSACleanup();
        return false;
    }
    return true;
}

namespace {
// The server's IPv4 address in network order; false when it is neither dotted nor resolvable.
bool lookUpAddress(const char* host, in_addr& address)
{
    // An empty name would resolve to this machine itself; an entry without a server has none.
    if (!host || !*host)
        return false;
    unsigned long dotted = inet_addr(host);
    if (dotted != INADDR_NONE) {
        address.s_addr = dotted;
        return true;
    }
    hostent* found = gethostbyname(host);
    if (!found || found->h_addrtype != AF_INET || found->h_length != 4 || !found->h_addr_list ||
        !found->h_addr_list[0])
        return false;
    memcpy(&address.s_addr, found->h_addr_list[0], 4);
    return true;
}
} // namespace

SOCKET connectTo(int port, const char* host)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return INVALID_SOCKET;
    sockaddr_in peer = {};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<u_short>(port));
    if (!lookUpAddress(host, peer.sin_addr) ||
        connect(s, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == SOCKET_ERROR) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
}
