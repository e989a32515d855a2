// Logging in to IMAP with an OAuth 2.0 access token: AUTHENTICATE XOAUTH2, the initial response on
// the command line where the server lists SASL-IR, else after its "+".
#pragma once
#include "mailcheck/imap_login.h"
#include <cstddef>

// Logs in as account with the token; only over a secured connection (secured false: nothing is
// sent, signInNeedsTls). pop3Success when the server takes the token; signInTokenRefused (with the
// log line in why, and the status an error challenge names) when it refuses it or does not offer
// AUTH=XOAUTH2; imapLoginNotSent or imapServerBroken as for a password login. A server that
// answers the token with a "+ <base64 error>" challenge gets an empty line, then says NO.
int imapAuthenticateXoauth2(ImapConversation& conversation, const ImapCapabilities& capabilities, bool secured,
                            const char* account, const char* accessToken, char* why, size_t whySize);
