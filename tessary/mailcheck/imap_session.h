// The IMAP client: one read-only session (capabilities, log in, EXAMINE, the unique ids and the
// header blocks wanted, LOGOUT). It never selects a folder for writing, never sets a flag and
// never stores, copies, moves or expunges anything.
#pragma once
#include "mailcheck/pop3_session.h"
#include <cstdint>

// Result codes of the IMAP steps; connecting and securing the connection share the POP3 codes
// (-1, -2, -20, -110 to -114, -117).
enum ImapResult : int32_t {
    imapBadGreeting = -130,       // no "* OK" or "* PREAUTH" greeting: "* BYE", something else, or nothing
    imapCapabilityFailed = -131,  // CAPABILITY refused or not answered
    imapStarttlsNotOffered = -132, // the capabilities do not list STARTTLS
    imapStarttlsRefused = -133,   // STARTTLS answered with NO or BAD, or not at all
    imapLoginNotSent = -134,      // the user name or password cannot be sent, or sending failed
    imapLoginRefused = -135,      // LOGIN or AUTHENTICATE refused, or not answered
    imapFolderRefused = -136,     // EXAMINE of the folder refused, or not answered
    imapFetchFailed = -137,       // FETCH or UID FETCH refused, or its responses not whole
    imapLogoutFailed = -138,      // LOGOUT refused or not answered
    imapServerBroken = -139,      // beyond the bounds: a line over 64 KB, a literal beyond what is
                                  // left of 64 MB, an endless stream of responses
    imapWatchBroken = -140,       // watching (IDLE): refused, dropped, or ended by the server
};

// Default ports: IMAP and STARTTLS, TLS from the first byte.
const int standardImapPort = 143;
const int standardImapsPort = 993;

// The port a session connects to: the target's own, else 993 for SSL/TLS and 143 otherwise.
int imapPortFor(const Pop3Target& target);

// The folder an entry names, INBOX when it names none.
const char* imapFolderName(const char* folder);

// One session against the target, as Pop3Session has it: messageCount receives the folder's
// (bounded) EXISTS count; headers, when given, a new[] array of messageCount slots, each null or
// a header block kept in the form a POP3 TOP reply has ("+OK", the lines, the dot line); detail a
// plain-words log line for a failure. known (may be null) gets the unique id of every message,
// "<uidvalidity>.<uid>", and offers header blocks to reuse by id: only the others are fetched.
// With accessToken the session logs in as user with that OAuth 2.0 token (AUTHENTICATE XOAUTH2,
// TLS only) and password is never sent.
int ImapSession(const Pop3Target& target, const char* folder, const char* user, const char* password,
                uint32_t* messageCount, HANDLE stopEvent, char*** headers, char* detail, size_t detailSize,
                KnownMessages* known = nullptr, const char* accessToken = nullptr);
