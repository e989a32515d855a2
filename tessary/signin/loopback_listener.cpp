// The loopback listener. A request head larger than the bound, or one that does not come whole
// within the wait, is dropped and the next connection awaited.
#include "signin/loopback_listener.h"
#include <cstdio>
#include <cstring>

namespace {

// Longest request head read; the redirect's query is well below it.
const size_t maxRequestHead = 16384;

void closeSocket(SOCKET& s)
{
    if (s != INVALID_SOCKET)
        closesocket(s);
    s = INVALID_SOCKET;
}

DWORD leftOf(DWORD started, DWORD timeoutMs)
{
    DWORD spent = GetTickCount() - started;
    return spent >= timeoutMs ? 0 : timeoutMs - spent;
}

// Waits for one of events on s, or the stop event, within ms.
LoopbackListener::Wait waitFor(SOCKET s, long events, HANDLE stopEvent, DWORD ms)
{
    WSAEVENT event = WSACreateEvent();
    if (event == WSA_INVALID_EVENT)
        return LoopbackListener::Wait::failed;
    LoopbackListener::Wait outcome = LoopbackListener::Wait::failed;
    if (WSAEventSelect(s, event, events) != SOCKET_ERROR) {
        HANDLE waits[2] = { event, stopEvent };
        DWORD woke = WaitForMultipleObjects(stopEvent ? 2 : 1, waits, FALSE, ms);
        if (woke == WAIT_OBJECT_0)
            outcome = LoopbackListener::Wait::arrived;
        else if (woke == WAIT_OBJECT_0 + 1)
            outcome = LoopbackListener::Wait::stopped;
        else if (woke == WAIT_TIMEOUT)
            outcome = LoopbackListener::Wait::timedOut;
        WSAEventSelect(s, event, 0);
    }
    WSACloseEvent(event);
    u_long blocking = 0;
    ioctlsocket(s, FIONBIO, &blocking);
    return outcome;
}

void sendText(SOCKET s, const std::string& text)
{
    size_t sent = 0;
    while (sent < text.size()) {
        int n = send(s, text.data() + sent, int(text.size() - sent), 0);
        if (n <= 0)
            return;
        sent += size_t(n);
    }
}

void sendResponse(SOCKET s, const char* status, const std::string& html)
{
    char head[256];
    snprintf(head, sizeof head,
             "HTTP/1.1 %s\r\nContent-Type: text/html; charset=us-ascii\r\nContent-Length: %u\r\n"
             "Cache-Control: no-store\r\nConnection: close\r\n\r\n",
             status, unsigned(html.size()));
    sendText(s, head + html);
}

// Reads the head of one request; false when it does not come whole in time or is too large.
LoopbackListener::Wait readHead(SOCKET s, HANDLE stopEvent, DWORD started, DWORD timeoutMs, std::string& head)
{
    char buffer[2048];
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (head.size() > maxRequestHead)
            return LoopbackListener::Wait::failed;
        LoopbackListener::Wait got = waitFor(s, FD_READ | FD_CLOSE, stopEvent, leftOf(started, timeoutMs));
        if (got != LoopbackListener::Wait::arrived)
            return got;
        int n = recv(s, buffer, sizeof buffer, 0);
        if (n <= 0)
            return LoopbackListener::Wait::failed;
        head.append(buffer, size_t(n));
    }
    return LoopbackListener::Wait::arrived;
}

} // namespace

LoopbackListener::~LoopbackListener()
{
    closeSocket(client_);
    closeSocket(listener_);
}

bool LoopbackListener::open()
{
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int size = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == SOCKET_ERROR ||
        listen(listener_, 4) == SOCKET_ERROR ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) == SOCKET_ERROR) {
        closeSocket(listener_);
        return false;
    }
    port_ = ntohs(address.sin_port);
    return true;
}

LoopbackListener::Wait LoopbackListener::waitForRedirect(HANDLE stopEvent, DWORD timeoutMs, std::string& query)
{
    DWORD started = GetTickCount();
    for (;;) {
        closeSocket(client_);
        Wait got = waitFor(listener_, FD_ACCEPT, stopEvent, leftOf(started, timeoutMs));
        if (got != Wait::arrived)
            return got;
        client_ = accept(listener_, nullptr, nullptr);
        if (client_ == INVALID_SOCKET)
            continue;
        std::string head;
        got = readHead(client_, stopEvent, started, timeoutMs, head);
        if (got == Wait::stopped || got == Wait::timedOut)
            return got;
        if (got != Wait::arrived)
            continue;
        std::string line = head.substr(0, head.find("\r\n"));
        if (line.compare(0, 5, "GET /") == 0) {
            size_t target = 4;
            size_t end = line.find(' ', target);
            std::string path = line.substr(target, end == std::string::npos ? std::string::npos : end - target);
            if (path == "/" || path.compare(0, 2, "/?") == 0) {
                query = path.size() > 2 ? path.substr(2) : "";
                return Wait::arrived;
            }
        }
        sendResponse(client_, "404 Not Found", "<html><body>Not found.</body></html>");
    }
}

void LoopbackListener::answer(const char* heading, const char* sentence)
{
    if (client_ == INVALID_SOCKET)
        return;
    std::string html = std::string("<!DOCTYPE html><html><head><title>Tessary</title></head><body><h1>") + heading +
                       "</h1><p>" + sentence + "</p></body></html>";
    sendResponse(client_, "200 OK", html);
    shutdown(client_, SD_SEND);
    closeSocket(client_);
}
