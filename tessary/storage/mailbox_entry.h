// One watched POP3 mailbox: what the user configured, its schedule, and the state of its check.
#pragma once
#include <windows.h>
#include <cstdint>
#include "mailcheck/check_worker.h"
#include "mailcheck/seen_messages.h"
#include "storage/protected_secrets.h"
#include "storage/sign_in_session.h"

class FileReader;
class AtomicFileWriter;

// Versions of the entry list file. Version 9 adds the connection security, the port, the trusted
// certificate and the announce-new-only choice after the fields of version 8. Version 10 adds the
// protocol, the folder, watching continuously, the sign-in and its account, the protected secrets
// and the notification choices, and keeps the password protected instead of shifted where it can.
enum EntryFileVersion : int {
    EntryFileVersion8 = 8,
    EntryFileVersion9 = 9,
    EntryFileVersion10 = 10,
};

enum ConnectionMode : int32_t {
    DialAsNeeded = 0,      // dial the entry's connection when a check is due and none is up
    WaitForConnection = 1, // scheduled checks only while a dial-up connection is up
    AlwaysConnected = 2,   // a LAN: never dial, never hang up
};

// How the connection to the POP3 server is secured.
enum ConnectionSecurity : int32_t {
    SecurityNone = 0,    // plain POP3
    SecurityStls = 1,    // plain connection, then STLS and TLS before logging in
    SecuritySslTls = 2,  // TLS from the first byte (POP3S)
};

// The protocol an entry watches its mailbox with.
enum MailProtocol : int32_t {
    ProtocolPop3 = 0,
    ProtocolImap = 1,
};

// How an entry logs in: with its password, or with a refresh token from an OAuth 2.0 sign-in.
enum SignInMethod : int32_t {
    SignInPassword = 0,
    SignInMicrosoft = 1,
    SignInGoogle = 2,
};

// The highest port an entry can name (0 names none: the security's default port).
const int32_t highestPort = 65535;

// Longest user name or password a POP3 command line can carry ("PASS " + text + "\r\n" in 255).
const int maxCredentialLength = 248;

class MailboxEntry {
public:
    MailboxEntry();
    virtual ~MailboxEntry();
    MailboxEntry(const MailboxEntry&) = delete;
    MailboxEntry& operator=(const MailboxEntry&) = delete;

    // Stops a running check, frees the strings and the headers, clears the action flags and the
    // run-time state; the fields of the newest version take the values an entry read from an older
    // file has. Keeps the connection mode, the schedule, enabled and hangUpWhenDone.
    void clear();

    // Each stores a heap copy of a non-empty text; null or "" leaves the field null.
    void setName(const char* text);
    void setServer(const char* text);
    void setUser(const char* text);
    void setPassword(const char* text);
    void setDialupEntry(const char* text);
    void setMailSoundFile(const char* text);
    void setNoMailSoundFile(const char* text);
    void setMailProgramPath(const char* text);
    void setMailProgramArgs(const char* text);
    void setShellCommand(const char* text);
    void setShellCommandFile(const char* text);
    void setTrustedCertificate(const char* text);
    void setSecurity(int32_t value) { security = value; }
    void setPort(int32_t value) { port = value; }
    void setAnnounceNewOnly(bool value) { announceNewOnly = value; }
    void setFolder(const char* text);
    void setAccount(const char* text);
    void setRefreshToken(const char* text);

    // Whether the entry's secrets were stored protected for another user or machine (or altered)
    // and none was given since: its checks fail before connecting until the user enters them.
    bool secretsUnreadable() const { return storedSecrets.holdsUnreadable(password, refreshToken); }

    void setCheckDays(const bool days[7]);
    void getCheckDays(bool days[7]) const;
    void setLastResult(int32_t result) { lastResult = result; }
    int32_t getLastResult() const { return lastResult; }
    // Why the last check failed, in plain words (one log line), or null. Set by the check worker
    // inside lock before it posts its message.
    void setLastResultDetail(const char* text);

    // Takes ownership of the arrays and the texts as they are; callers clearHeaders first. marks
    // (new[], may be null for all whole) holds one HeaderMark set a slot.
    void setHeaders(char** texts, int32_t count, uint8_t* marks = nullptr);
    void clearHeaders();
    // The header text of message index + 1, or null.
    const char* getHeader(int index) const;
    // The HeaderMark set of message index + 1 (mailcheck/header_marks.h): whether its block was
    // cut or reduced. 0 for a whole one, and outside the list.
    uint8_t getHeaderMarks(int index) const;
    // which 0: the sender address ("From:" line), 1: the subject ("Subject: " line); any other
    // value answers true and writes nothing. The value is cut to fit outputSize bytes with its
    // terminating zero. False, with nothing written, when the field is not there.
    bool getHeaderField(int index, char* output, size_t outputSize, int which) const;

    bool isCheckRunning() const { return workerThread != nullptr; }
    void setRetryDelay(int minutes); // capped at 360; stamps retryFrom with now; 0 clears it
    bool isRetryPending() const;
    bool isDue() const;
    // Whether now is on one of the check days, between the start and end times (if any).
    bool insideCheckWindow() const;
    // Whether the scheduler looks at the entry at all: enabled or asked for, and with a server to
    // ask. Only such entries can still need a dial-up line.
    bool isSchedulable() const { return (enabled || checkRequested) && server; }

    // Starts the check worker; true also when a worker already exists (nothing new starts).
    bool DoCheckEmail(HWND notifyWindow);
    // Stops the worker: signals its stop event, then waits up to 10 s or terminates it.
    bool stopCheck(bool terminate);
    void disable();

    void copyFrom(const MailboxEntry& source);
    bool writeTo(AtomicFileWriter& file) const; // always in the newest version
    // False when the data ends or is damaged mid-entry. Fields the version does not hold keep the
    // values clear gives them.
    bool readFrom(FileReader& file, EntryFileVersion version);

    // Fields in declared order; see the entry list file for which ones are stored.
    MailboxEntry* next = nullptr;
    char* name = nullptr;
    char* server = nullptr;
    char* user = nullptr;
    char* password = nullptr;
    int32_t connectionMode = WaitForConnection;
    char* dialupEntry = nullptr; // null: the first phonebook entry found
    bool checkDays[7] = { true, true, true, true, true, true, true }; // index 0 is Sunday
    int32_t periodHours = 0;
    int32_t periodMinutes = 30;
    int32_t startHour = -1; // -1: no start time
    int32_t startMinute = 0;
    int32_t endHour = -1;   // -1: no end time
    int32_t endMinute = 0;
    int32_t waitingForDialup = 0;
    SYSTEMTIME retryFrom = {};
    int32_t retryDelayMinutes = 0;
    bool enabled = true;
    bool checkRequested = false;
    bool hangUpWhenDone = false;
    bool hangUpPending = false;
    CheckWorkerParams workerParams = {};
    HANDLE stopEvent = nullptr;
    HANDLE workerThread = nullptr; // stays set after the thread ended, until stopCheck
    DWORD workerThreadId = 0;
    SYSTEMTIME lastCheckTime = {}; // all zero: never checked
    volatile LONG lastResult = 0;  // message count, or a negative Pop3Result
    char* lastResultDetail = nullptr; // guarded by lock
    char** headers = nullptr;
    uint8_t* headerMarks = nullptr; // one HeaderMark set a slot, or null
    int32_t headerCount = 0;
    CRITICAL_SECTION lock;         // guards headers, headerMarks and headerCount
    bool playSoundOnMail = false;
    bool playSoundOnNoMail = false;
    bool runMailProgram = false;
    bool runShellCommand = false;
    char* mailSoundFile = nullptr;
    char* noMailSoundFile = nullptr;
    char* mailProgramPath = nullptr;
    char* mailProgramArgs = nullptr;
    char* shellCommand = nullptr;
    char* shellCommandFile = nullptr;
    int32_t security = SecurityNone;     // a ConnectionSecurity
    int32_t port = 0;                    // 0: 110 for None and STLS, 995 for SSL/TLS
    char* trustedCertificate = nullptr;  // SHA-256 thumbprint, 64 upper-case hex digits, or null
    bool announceNewOnly = false;        // announce only messages not seen at the last check
    int32_t protocol = ProtocolPop3;     // a MailProtocol
    char* folder = nullptr;              // the IMAP folder watched; null: INBOX
    bool watchContinuously = false;      // IMAP: stay connected and wait for news (IDLE)
    int32_t signIn = SignInPassword;     // a SignInMethod
    char* account = nullptr;             // the address of the sign-in: login hint and XOAUTH2 user
    char* refreshToken = nullptr;        // the sign-in's refresh token; stored only protected
    bool showNotification = true;        // announce a check's news in a notification
    bool mute = false;                   // no sound for this entry
    // The protected form of password and refreshToken as last read or written; the save reuses
    // or renews it, hence mutable.
    mutable StoredSecrets storedSecrets;
    // Run-time: the ids seen before and the news of the last check; guarded by lock like the
    // headers. Kept by clear() and copyFrom() (editing keeps what was seen) and never copied.
    SeenMessages seenMessages;
    // Run-time: the sign-in's access token and state; guarded by lock. Not copied; an edit that
    // changes the sign-in (method, account or refresh token) starts it afresh.
    SignInSession signInSession;
};
