// A scripted IMAP server on 127.0.0.1 for tests: it serves a small folder model as a well-behaved
// server does (CAPABILITY, LOGIN with quoted strings and literals, AUTHENTICATE PLAIN, EXAMINE,
// FETCH, UID FETCH, IDLE and DONE, LOGOUT), lets a test take over any command to misbehave, and records every
// command line it receives.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ScriptedImapServer;

struct ImapTestMessage {
    uint32_t uid;
    std::string header; // the header block, sent as BODY[HEADER]
};

// One command as the server received it; literals are read into arguments.
struct ImapTestCommand {
    std::string tag;
    std::string verb;      // upper-case; "UID FETCH" for the UID form
    std::string arguments; // the rest of the line, literals in their "{n}" form
    std::vector<std::string> literals;
};

// One accepted connection, as a test's override sees it.
class ImapTestConnection {
public:
    ImapTestConnection(SOCKET s, ScriptedImapServer& server) : socket_(s), server_(server) {}
    bool send(const std::string& bytes);
    // The next line without "\r\n"; false when the client closed, the server stops, or after 20 s.
    bool readLine(std::string& line);
    bool readBytes(size_t count, std::string& bytes);
    // Command lines that have arrived and wait to be read, counted after listening withinMs.
    size_t linesWaiting(DWORD withinMs);
    void close();
    // Holds the connection without answering until the client closes or the server stops.
    void hold();

private:
    bool readSome();
    SOCKET socket_;
    ScriptedImapServer& server_;
    std::string pending_;
};

class ScriptedImapServer {
public:
    // Answers true when it took the command over; false lets the server answer as usual.
    typedef std::function<bool(ImapTestConnection&, const ImapTestCommand&)> Override;

    ScriptedImapServer();  // listens on a free port at once; serves after start()
    ~ScriptedImapServer(); // stops every connection and waits for their threads
    ScriptedImapServer(const ScriptedImapServer&) = delete;
    ScriptedImapServer& operator=(const ScriptedImapServer&) = delete;

    int port() const { return port_; }
    void start();
    bool stopping() const { return stopping_; }

    // The model; set before start(), or between sessions.
    std::string greeting = "* OK scripted IMAP ready\r\n";
    std::string capabilities = "IMAP4rev1 AUTH=PLAIN IDLE";
    std::string user = "tester";
    std::string password = "secret";
    std::vector<std::string> folders = { "INBOX" };
    std::vector<ImapTestMessage> messages;
    uint32_t uidValidity = 7;
    Override override;

    // Every command received so far, in order.
    std::vector<ImapTestCommand> commands();
    // The verbs received so far, in order.
    std::vector<std::string> verbs();
    int connections() const { return connections_; }

private:
    void acceptLoop();
    void serve(SOCKET client);
    bool readCommand(ImapTestConnection& connection, ImapTestCommand& command);
    bool answer(ImapTestConnection& connection, const ImapTestCommand& command);
    bool answerFetch(ImapTestConnection& connection, const ImapTestCommand& command, bool byUid);

    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::thread acceptor_;
    std::atomic<bool> stopping_{ false };
    std::atomic<int> connections_{ 0 };
    std::mutex mutex_;
    std::vector<std::thread> sessions_;
    std::vector<ImapTestCommand> commands_;
    std::string idleTag_;
};

// "\0user\0password" from an AUTHENTICATE PLAIN answer in base64; "" when it does not decode.
std::string decodeBase64(const std::string& text);
