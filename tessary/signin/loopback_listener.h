// The loopback end of a browser sign-in (RFC 8252): a listener on 127.0.0.1 on a free port that
// takes the browser's request to the redirect address and answers it with a short page.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <string>

class LoopbackListener {
public:
    LoopbackListener() = default;
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    // Listens on 127.0.0.1 on a port the system picks. Needs Winsock started.
    bool open();
    int port() const { return port_; }

    enum class Wait { arrived, timedOut, stopped, failed };

    // Waits (at most timeoutMs in all, or until stopEvent) for a GET of the redirect path "/"
    // and gives its query (after "?"). Other requests (a browser asks for /favicon.ico) are
    // answered "not found" and the wait goes on. The browser's connection stays open for answer().
    Wait waitForRedirect(HANDLE stopEvent, DWORD timeoutMs, std::string& query);

    // Answers the waiting browser with a page of one heading and one sentence, and closes.
    void answer(const char* heading, const char* sentence);

private:
    SOCKET listener_ = INVALID_SOCKET;
    SOCKET client_ = INVALID_SOCKET;
    int port_ = 0;
};
