// A scripted POP3 server on 127.0.0.1 for tests: it accepts one session, plays its script step
// by step (replies whole, in pieces, late, cut off or garbled) and records every command line.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FakePop3Server {
public:
    FakePop3Server();  // listens on a free port at once; the script runs after start()
    ~FakePop3Server(); // ends the script wherever it is and closes everything
    FakePop3Server(const FakePop3Server&) = delete;
    FakePop3Server& operator=(const FakePop3Server&) = delete;

    int port() const { return port_; }

    // Script steps, in the order they are played. When the script ends the server keeps the
    // connection open and records what the client still sends, until the client closes.
    FakePop3Server& send(const std::string& bytes);
    FakePop3Server& sendInPieces(const std::string& bytes, size_t pieceSize, DWORD pauseMs);
    FakePop3Server& receive();                        // waits for one command line
    FakePop3Server& receiveBytes();                   // waits for any bytes (a TLS hello), drops them
    FakePop3Server& answer(const std::string& reply); // receive, then send
    FakePop3Server& pause(DWORD ms);
    FakePop3Server& hangUp();             // closes the connection; later steps are skipped
    FakePop3Server& holdWithoutReading(); // stays connected, reads nothing, until destroyed

    // Greeting, USER and PASS accepted.
    FakePop3Server& loggedIn();

    void start(); // starts serving; call once the script is complete

    // The command lines received (without "\r\n"), once the session is over (at most 10 s wait).
    std::vector<std::string> commands();
    // Waits until at least count command lines have come in; false after ms.
    bool waitForCommands(size_t count, DWORD ms);
    // Waits until a receiveBytes step has taken its bytes; false after ms.
    bool waitForBytes(DWORD ms);
    // Connections accepted so far; only the first one is served.
    int connections() const { return connections_; }

private:
    struct Step {
        enum Kind { sendBytes, receiveLine, receiveAny, wait, close, holdSilent } kind;
        std::string bytes;
        size_t pieceSize;
        DWORD pauseMs;
    };

    void serve();
    bool acceptClient(SOCKET& client);
    void playScript(SOCKET client);
    bool sendStep(SOCKET client, const Step& step);
    bool receiveLine(SOCKET client);
    bool receiveAnything(SOCKET client);
    bool readSome(SOCKET client, DWORD sliceMs, bool& closed);
    bool sleepUnlessStopping(DWORD ms);
    void drain(SOCKET client);

    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::vector<Step> script_;
    std::string pending_; // received bytes not yet split into lines
    std::thread thread_;
    std::atomic<bool> stopping_{ false };
    std::atomic<int> connections_{ 0 };
    std::mutex mutex_;
    std::condition_variable sessionOver_;
    std::condition_variable commandCame_;
    bool over_ = false;
    std::vector<std::string> commands_;
    bool bytesTaken_ = false;
};
