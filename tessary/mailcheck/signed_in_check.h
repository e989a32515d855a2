// The session of an entry that signs in with OAuth 2.0: an access token first (refreshed when
// needed), then AUTH XOAUTH2 (POP3) or AUTHENTICATE XOAUTH2 (IMAP) over TLS. The entry's password is
// never sent.
#pragma once
#include "mailcheck/pop3_session.h"

class MailboxEntry;

// As Pop3Session (or ImapSession), for an entry whose sign-in method is not the password. Answers a Pop3Result or a
// SignInResult (signin/signin_result.h) with its line in detail.
int signedInSession(MailboxEntry& entry, const Pop3Target& target, uint32_t* messageCount, HANDLE stopEvent,
                    char*** headers, char* detail, size_t detailSize, KnownMessages* known,
                    uint8_t** headerMarks = nullptr);
