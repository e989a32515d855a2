// The POP3 client: one read-only session (log in, STAT, TOP n 0 per message, QUIT) and the
// event-driven socket helpers it is built from.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <cstddef>
#include <cstdint>

struct KnownMessages;

// Result of one session: 1 for success, a negative code naming the step that failed.
enum Pop3Result : int32_t {
    pop3Success = 1,
    pop3NoSocketEvent = -1,     // WSACreateEvent failed
    pop3EventSelectFailed = -2, // WSAEventSelect failed
    pop3BadGreeting = -3,       // the first reply did not start with "+OK", or did not arrive
    pop3UserNotSent = -4,       // also: a user name that cannot go on one command line
    pop3UserRefused = -5,
    pop3PassNotSent = -6,       // also: a password that cannot go on one command line
    pop3PassRefused = -7,
    pop3StatNotSent = -8,
    pop3StatRefused = -9,
    pop3QuitNotSent = -10,
    pop3QuitRefused = -11,
    pop3NoConnection = -20,     // the name did not resolve, or the connection was not made
    pop3TopNotSent = -101,
    pop3TopBroken = -102,       // a TOP reply neither complete nor "-ERR" (broken off, or never ended)
    pop3UidlNotSent = -103,     // the UIDL command could not be sent
    pop3UidlBroken = -104,      // the reply to UIDL was neither a complete list nor "-ERR"
    // Securing the connection; each of these fails before USER is sent.
    pop3TlsUnavailable = -110,          // the system has no usable TLS layer
    pop3TlsHandshakeFailed = -111,      // closed, not TLS, stalled, stopped, or nothing in common
    pop3CertificateUntrusted = -112,    // the chain does not reach a trusted root, or has another error
    pop3CertificateNameMismatch = -113, // the certificate does not name the server
    pop3CertificatePinMismatch = -114,  // no certificate of the chain has the entry's thumbprint
    pop3StlsNotOffered = -115,          // the reply to CAPA does not list STLS
    pop3StlsRefused = -116,             // STLS answered with "-ERR", or not at all
    // The entry's stored password was protected for another user or machine: nothing is sent.
    pop3PasswordUnreadable = -117,
};

// Where a session goes and how it secures the connection.
struct Pop3Target {
    const char* server;
    int32_t security;                 // a ConnectionSecurity (storage/mailbox_entry.h)
    int32_t port;                     // 1..65535; anything else: the security's default port
    const char* trustedCertificate;   // null, or the SHA-256 thumbprint the entry trusts
};

// The port a session connects to: the target's own, else 995 for TLS from the first byte and
// pop3Port (110 in the program) for plain POP3 and STLS.
int pop3PortFor(const Pop3Target& target);

// Room for the plain-words line that says why a session failed (empty when it says nothing more
// than its code).
const size_t pop3DetailSize = 384;

// Buffer sizes of one session. A reply to TOP has none: it is read to its end however long it
// is, and its header block kept up to headerBlockLimit (mailcheck/top_reply.h).
const int pop3CommandBufferSize = 256;
const int pop3StatusBufferSize = 256;
const int pop3CapabilityBufferSize = 4096; // a longer capability list is read to its end and names nothing

// Most messages one session fetches headers for. The header array is allocated from the STAT
// count, so a larger count (a broken or hostile server) is cut down to this.
const uint32_t pop3MaxMessageCount = 100000;

// Winsock 2.0 exactly; on any other granted version it is cleaned up again and false returned.
bool startWinsock();

// A blocking TCP connection to host (dotted IPv4, else a name to resolve) on port, or
// INVALID_SOCKET.
SOCKET connectTo(int port, const char* host);

// One session against the target. messageCount receives the (bounded) STAT count; headers, when
// given, receives a new[] array of messageCount slots, each null or a header text owned as
// MailboxEntry::setHeaders takes them (ownedCopyOf). Without a header output no TOP is sent.
// stopEvent (may be null) cuts every wait short. detail (may be null) receives one log line that
// says in plain words why securing the connection failed, or an empty text. Over TLS the session
// never falls back to plain text. known (may be null) asks for the unique ids (UIDL) and offers
// header blocks to reuse by id; only the other messages are fetched. The session asks for the
// server's capabilities after the greeting and pipelines its commands where the server takes
// that; the results and codes are the same either way. The header texts of one session stay
// within entryHeaderBudgetBytes as mailcheck/header_budget.h has it. headerMarks (may be null),
// with headers, receives a new[] array of messageCount HeaderMark sets, one a slot.
int Pop3Session(const Pop3Target& target, const char* user, const char* password, uint32_t* messageCount,
                HANDLE stopEvent, char*** headers, char* detail, size_t detailSize, KnownMessages* known = nullptr,
                uint8_t** headerMarks = nullptr);

// A plain POP3 session against server on pop3Port.
int Pop3Session(const char* server, const char* user, const char* password, uint32_t* messageCount,
                HANDLE stopEvent, char*** headers);

// Sends every byte; waits for FD_WRITE (at most serverTimeoutMs each time) when the socket is full.
bool sendAll(SOCKET s, const char* data, int length, WSAEVENT socketEvent, HANDLE stopEvent);

// Gathers one reply into buffer, NUL-terminated: a single line, or with multiLine a reply that
// ends in "\r\n.\r\n" (an "-ERR" reply is always one line). Each wait for data is bounded by
// serverTimeoutMs. False on time-out, stop event, close, receive error or a reply too long.
bool readReply(SOCKET s, char* buffer, int size, WSAEVENT socketEvent, HANDLE stopEvent,
               bool multiLine);

// readReply, then true only when the reply starts with "+OK". The buffer's last byte is always
// set to NUL, so the buffer is a C string afterwards whatever happened.
bool readStatusReply(SOCKET s, char* buffer, int size, WSAEVENT socketEvent, HANDLE stopEvent,
                     bool multiLine);

// The message count of a STAT reply: the number after "+OK " (blanks skipped, optional sign,
// digits). No number, or a negative one, gives 0; a count above pop3MaxMessageCount gives that.
uint32_t parseStatCount(const char* reply);
