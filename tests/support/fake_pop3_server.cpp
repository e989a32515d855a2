// The scripted POP3 server of the tests: a blocking Winsock listener on its own thread.
#include "support/fake_pop3_server.h"
#include <chrono>

namespace {
const DWORD sliceMs = 20;            // how often a blocked step looks at the stop flag
const DWORD drainLimitMs = 60000;    // a client that never leaves does not keep a test forever

// True when s has something to read (or has closed) within ms.
bool readable(SOCKET s, DWORD ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval limit = { long(ms / 1000), long((ms % 1000) * 1000) };
    return select(0, &set, nullptr, nullptr, &limit) > 0;
}
} // namespace

FakePop3Server::FakePop3Server()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 8);
    int length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
}

FakePop3Server::~FakePop3Server()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    closesocket(listener_);
    WSACleanup();
}

FakePop3Server& FakePop3Server::send(const std::string& bytes)
{
    script_.push_back({ Step::sendBytes, bytes, bytes.size(), 0 });
    return *this;
}

FakePop3Server& FakePop3Server::sendInPieces(const std::string& bytes, size_t pieceSize, DWORD pauseMs)
{
    script_.push_back({ Step::sendBytes, bytes, pieceSize ? pieceSize : 1, pauseMs });
    return *this;
}

FakePop3Server& FakePop3Server::receive()
{
    script_.push_back({ Step::receiveLine, std::string(), 0, 0 });
    return *this;
}

FakePop3Server& FakePop3Server::receiveBytes()
{
    script_.push_back({ Step::receiveAny, std::string(), 0, 0 });
    return *this;
}

FakePop3Server& FakePop3Server::answer(const std::string& reply)
{
    return receive().send(reply);
}

FakePop3Server& FakePop3Server::pause(DWORD ms)
{
    script_.push_back({ Step::wait, std::string(), 0, ms });
    return *this;
}

FakePop3Server& FakePop3Server::hangUp()
{
    script_.push_back({ Step::close, std::string(), 0, 0 });
    return *this;
}

FakePop3Server& FakePop3Server::holdWithoutReading()
{
    script_.push_back({ Step::holdSilent, std::string(), 0, 0 });
    return *this;
}

FakePop3Server& FakePop3Server::loggedIn()
{
    return send("+OK fake POP3 ready\r\n").answer("+OK user\r\n").answer("+OK logged in\r\n");
}

void FakePop3Server::start()
{
    thread_ = std::thread(&FakePop3Server::serve, this);
}

std::vector<std::string> FakePop3Server::commands()
{
    std::unique_lock<std::mutex> guard(mutex_);
    sessionOver_.wait_for(guard, std::chrono::seconds(10), [this] { return over_; });
    return commands_;
}

bool FakePop3Server::waitForCommands(size_t count, DWORD ms)
{
    std::unique_lock<std::mutex> guard(mutex_);
    return commandCame_.wait_for(guard, std::chrono::milliseconds(ms),
                                 [this, count] { return commands_.size() >= count; });
}

bool FakePop3Server::waitForBytes(DWORD ms)
{
    std::unique_lock<std::mutex> guard(mutex_);
    return commandCame_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return bytesTaken_; });
}

void FakePop3Server::serve()
{
    SOCKET client;
    if (acceptClient(client)) {
        playScript(client);
        closesocket(client);
    }
    {
        std::lock_guard<std::mutex> guard(mutex_);
        over_ = true;
    }
    sessionOver_.notify_all();
    // Later connections are counted and turned away.
    while (acceptClient(client))
        closesocket(client);
}

bool FakePop3Server::acceptClient(SOCKET& client)
{
    while (!stopping_) {
        if (!readable(listener_, sliceMs))
            continue;
        client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return false;
        ++connections_;
        BOOL noDelay = TRUE; // pieces leave as they are written
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
        return true;
    }
    return false;
}

void FakePop3Server::playScript(SOCKET client)
{
    for (const Step& step : script_) {
        bool goOn = true;
        switch (step.kind) {
        case Step::sendBytes:
            goOn = sendStep(client, step);
            break;
        case Step::receiveLine:
            goOn = receiveLine(client);
            break;
        case Step::receiveAny:
            goOn = receiveAnything(client);
            break;
        case Step::wait:
            goOn = sleepUnlessStopping(step.pauseMs);
            break;
        case Step::close:
            return;
        case Step::holdSilent:
            while (sleepUnlessStopping(sliceMs)) {
            }
            return;
        }
        if (!goOn)
            return;
    }
    drain(client);
}

bool FakePop3Server::sendStep(SOCKET client, const Step& step)
{
    for (size_t at = 0; at < step.bytes.size(); at += step.pieceSize) {
        if (at > 0 && !sleepUnlessStopping(step.pauseMs))
            return false;
        size_t length = std::min(step.pieceSize, step.bytes.size() - at);
        if (::send(client, step.bytes.data() + at, int(length), 0) != int(length))
            return false;
    }
    return true;
}

bool FakePop3Server::receiveLine(SOCKET client)
{
    for (;;) {
        size_t end = pending_.find("\r\n");
        if (end != std::string::npos) {
            {
                std::lock_guard<std::mutex> guard(mutex_);
                commands_.push_back(pending_.substr(0, end));
            }
            commandCame_.notify_all();
            pending_.erase(0, end + 2);
            return true;
        }
        bool closed = false;
        if (!readSome(client, sliceMs, closed) && (closed || stopping_))
            return false;
    }
}

bool FakePop3Server::receiveAnything(SOCKET client)
{
    while (pending_.empty()) {
        bool closed = false;
        if (!readSome(client, sliceMs, closed) && (closed || stopping_))
            return false;
    }
    pending_.clear();
    {
        std::lock_guard<std::mutex> guard(mutex_);
        bytesTaken_ = true;
    }
    commandCame_.notify_all();
    return true;
}

// False when nothing came; closed tells that the client has gone.
bool FakePop3Server::readSome(SOCKET client, DWORD ms, bool& closed)
{
    if (!readable(client, ms))
        return false;
    char buffer[4096];
    int got = recv(client, buffer, sizeof buffer, 0);
    if (got <= 0) {
        closed = true;
        return false;
    }
    pending_.append(buffer, size_t(got));
    return true;
}

bool FakePop3Server::sleepUnlessStopping(DWORD ms)
{
    for (DWORD slept = 0; slept < ms && !stopping_; slept += sliceMs)
        Sleep(std::min(sliceMs, ms - slept));
    return !stopping_;
}

// After the script: record whatever the client still sends until it closes.
void FakePop3Server::drain(SOCKET client)
{
    for (DWORD waited = 0; waited < drainLimitMs && !stopping_;) {
        bool closed = false;
        if (readSome(client, sliceMs, closed))
            continue;
        if (closed)
            break;
        waited += sliceMs;
    }
    std::lock_guard<std::mutex> guard(mutex_);
    size_t end;
    while ((end = pending_.find("\r\n")) != std::string::npos) {
        commands_.push_back(pending_.substr(0, end));
        pending_.erase(0, end + 2);
    }
    if (!pending_.empty())
        commands_.push_back(pending_); // a line the client never finished
}
