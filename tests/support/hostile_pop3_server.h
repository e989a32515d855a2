// A misbehaving POP3 server for end-to-end tests: it listens on the POP3 port of one loopback
// address of its own (127.0.0.2, 127.0.0.3, ...), so that several can stand beside each other for a
// program that always uses port 110, and plays its behaviour on every connection it accepts.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class HostilePop3Server;

// One accepted connection, as a behaviour sees it. Every call gives up once the client has gone
// or the server is being stopped.
class HostileConnection {
public:
    HostileConnection(SOCKET s, const HostilePop3Server& server) : socket_(s), server_(server) {}

    bool send(const std::string& bytes);
    // One byte at a time, pausing between them.
    bool drip(const std::string& bytes, DWORD pauseMs);
    // The next command line without its line break; false when the client closed or stopped
    // talking for timeoutMs.
    bool readLine(std::string& line, DWORD timeoutMs = 20000);
    // Greets, refuses CAPA, and answers USER and PASS with "+OK".
    bool logIn();
    // Closes at once with a reset rather than an orderly close.
    void reset();
    void close();
    bool stopping() const;

private:
    SOCKET socket_;
    const HostilePop3Server& server_;
    std::string pending_;
};

class HostilePop3Server {
public:
    typedef std::function<void(HostileConnection&)> Behaviour;

    HostilePop3Server(const std::string& address, Behaviour behaviour);
    ~HostilePop3Server(); // stops every connection and waits for their threads
    HostilePop3Server(const HostilePop3Server&) = delete;
    HostilePop3Server& operator=(const HostilePop3Server&) = delete;

    // Listens on address:port; false when the address or port cannot be taken.
    bool start(unsigned short port);
    const std::string& address() const { return address_; }
    int connections() const { return connections_; }
    bool stopping() const { return stopping_; }

private:
    void acceptLoop();

    std::string address_;
    Behaviour behaviour_;
    SOCKET listener_ = INVALID_SOCKET;
    std::thread acceptor_;
    std::atomic<bool> stopping_{ false };
    std::atomic<int> connections_{ 0 };
    std::mutex mutex_;
    std::vector<std::thread> sessions_;
};
