// The misbehaving servers' sockets are non-blocking and every wait is a short select, so that a
// client that stops reading, or a test that ends, never leaves a thread stuck in a call.
#include "support/hostile_pop3_server.h"

namespace {

const long sliceMs = 100;

// Waits up to sliceMs until the socket can be read (or written); false when it cannot yet.
bool ready(SOCKET s, bool forWriting)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait = { 0, sliceMs * 1000 };
    int result = forWriting ? select(0, nullptr, &set, nullptr, &wait) : select(0, &set, nullptr, nullptr, &wait);
    return result > 0;
}

} // namespace

bool HostileConnection::stopping() const
{
    return server_.stopping();
}

bool HostileConnection::send(const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        if (stopping())
            return false;
        if (!ready(socket_, true))
            continue;
        int piece = static_cast<int>(bytes.size() - sent < 8192 ? bytes.size() - sent : 8192);
        int result = ::send(socket_, bytes.data() + sent, piece, 0);
        if (result == SOCKET_ERROR) {
            if (WSAGetLastError() == WSAEWOULDBLOCK)
                continue;
            return false;
        }
        sent += static_cast<size_t>(result);
    }
    return true;
}

bool HostileConnection::drip(const std::string& bytes, DWORD pauseMs)
{
    for (char c : bytes) {
        for (DWORD waited = 0; waited < pauseMs; waited += sliceMs) {
            if (stopping())
                return false;
            Sleep(sliceMs);
        }
        if (!send(std::string(1, c)))
            return false;
    }
    return true;
}

bool HostileConnection::readLine(std::string& line, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        size_t end = pending_.find("\r\n");
        if (end != std::string::npos) {
            line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            return true;
        }
        if (stopping() || GetTickCount() - start >= timeoutMs)
            return false;
        if (!ready(socket_, false))
            continue;
        char buffer[4096];
        int got = recv(socket_, buffer, sizeof buffer, 0);
        if (got == 0)
            return false;
        if (got == SOCKET_ERROR) {
            if (WSAGetLastError() == WSAEWOULDBLOCK)
                continue;
            return false;
        }
        pending_.append(buffer, static_cast<size_t>(got));
    }
}

bool HostileConnection::logIn()
{
    std::string line;
    return send("+OK ready\r\n") && readLine(line) && send("-ERR unknown command\r\n") && readLine(line) &&
           send("+OK\r\n") && readLine(line) && send("+OK\r\n");
}

void HostileConnection::reset()
{
    if (socket_ == INVALID_SOCKET)
        return;
    linger abortive = { 1, 0 };
    setsockopt(socket_, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abortive), sizeof abortive);
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
}

void HostileConnection::close()
{
    if (socket_ == INVALID_SOCKET)
        return;
    shutdown(socket_, SD_BOTH);
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
}

HostilePop3Server::HostilePop3Server(const std::string& address, Behaviour behaviour)
    : address_(address), behaviour_(std::move(behaviour))
{
}

HostilePop3Server::~HostilePop3Server()
{
    stopping_ = true;
    if (listener_ != INVALID_SOCKET)
        closesocket(listener_);
    if (acceptor_.joinable())
        acceptor_.join();
    for (std::thread& session : sessions_)
        session.join();
}

bool HostilePop3Server::start(unsigned short port)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener_ == INVALID_SOCKET)
        return false;
    BOOL reuse = TRUE;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof reuse);
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = inet_addr(address_.c_str());
    if (bind(listener_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 || listen(listener_, 8) != 0) {
        closesocket(listener_);
        listener_ = INVALID_SOCKET;
        return false;
    }
    u_long nonBlocking = 1;
    ioctlsocket(listener_, FIONBIO, &nonBlocking);
    acceptor_ = std::thread([this] { acceptLoop(); });
    return true;
}

void HostilePop3Server::acceptLoop()
{
    while (!stopping_) {
        if (!ready(listener_, false))
            continue;
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            continue;
        u_long nonBlocking = 1;
        ioctlsocket(client, FIONBIO, &nonBlocking);
        ++connections_;
        std::lock_guard<std::mutex> lock(mutex_);
        sessions_.emplace_back([this, client] {
            HostileConnection connection(client, *this);
            behaviour_(connection);
            // Whatever the behaviour left open is closed in an orderly way once it is done.
            connection.close();
        });
    }
}
