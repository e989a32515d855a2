// One IMAP connection to one folder, kept open between its steps: opened (connected, secured,
// logged in, the folder examined), read (the UIDs and the header blocks wanted) as often as the
// caller wants, and logged out. A single check runs each step once; watching with IDLE reads the
// folder again after each piece of news on the same connection.
#pragma once
#include "mailcheck/imap_conversation.h"
#include "mailcheck/imap_login.h"
#include "mailcheck/pop3_connection.h"
#include "mailcheck/session_deadline.h"
#include <memory>
#include <string>
#include <vector>

struct KnownMessages;

class ImapFolderSession {
public:
    ImapFolderSession(const Pop3Target& target, const char* folder, HANDLE stopEvent);
    ImapFolderSession(const ImapFolderSession&) = delete;
    ImapFolderSession& operator=(const ImapFolderSession&) = delete;

    // Connects, secures the connection as the target asks, logs in and examines the folder.
    int open(const char* user, const char* password, char* why, size_t whySize);
    // Makes open() log in as user with this OAuth 2.0 access token (AUTHENTICATE XOAUTH2) instead
    // of the password. The token must outlive open().
    void signInWithToken(const char* accessToken) { accessToken_ = accessToken; }
    // Examines the folder again: its count, and its UIDVALIDITY, may have changed. The UID of
    // every message is asked for with it.
    int examine(char* why, size_t whySize);
    // The unique id of every message as of the last EXAMINE, "<uidvalidity>.<uid>".
    void listIds(std::vector<std::string>& ids) const;
    // The folder's messages as of the last EXAMINE, as ImapSession hands them back.
    int read(uint32_t* messageCount, char*** headers, KnownMessages* known, char* why, size_t whySize);
    int logOut(char* why, size_t whySize);

    // The deadline the connection's waits measure themselves against (null: none); open() hands it
    // to the connection it makes.
    SessionDeadline* deadline() const { return deadline_; }
    void setDeadline(SessionDeadline* deadline);
    // An open session taken up by another worker: the entry's current target and folder (their
    // strings may have been made anew) and that worker's stop event.
    void rebind(const Pop3Target& target, const char* folder, HANDLE stopEvent);
    // Whether the folder changed since the last EXAMINE, as the server tells in the answer to
    // NOOP; false with why set when the session no longer answers.
    bool askForNews(bool& changed, char* why, size_t whySize);

    const ImapCapabilities& capabilities() const { return capabilities_; }
    Pop3Connection& connection() { return *connection_; }
    ImapConversation& conversation() { return *conversation_; }

private:
    int greet(char* why, size_t whySize);

    Pop3Target target_;
    const char* folder_;
    HANDLE stopEvent_;
    SessionDeadline* deadline_ = nullptr;
    std::unique_ptr<Pop3Connection> connection_;
    std::unique_ptr<ImapConversation> conversation_;
    ImapCapabilities capabilities_;
    bool preauthenticated_ = false;
    const char* accessToken_ = nullptr;
    uint32_t exists_ = 0;
    bool uidValidityKnown_ = false;
    uint32_t uidValidity_ = 0;
    std::vector<uint32_t> uids_;
};

// One exchange's deadline, in force on the session while this lives: a watch as a whole may last
// for days, but no single exchange with the server may.
class ImapExchangeDeadline {
public:
    explicit ImapExchangeDeadline(ImapFolderSession& session) : session_(session), previous_(session.deadline())
    {
        session_.setDeadline(&deadline_);
    }
    ~ImapExchangeDeadline() { session_.setDeadline(previous_); }
    ImapExchangeDeadline(const ImapExchangeDeadline&) = delete;
    ImapExchangeDeadline& operator=(const ImapExchangeDeadline&) = delete;

private:
    ImapFolderSession& session_;
    SessionDeadline deadline_;
    SessionDeadline* previous_;
};
