// What an IMAP server says it can do, and logging in: LOGIN, or AUTHENTICATE PLAIN where the
// server lists LOGINDISABLED.
#pragma once
#include "mailcheck/imap_conversation.h"
#include <cstddef>
#include <string>

struct ImapCapabilities {
    bool listed = false;        // a capability list was seen
    bool starttls = false;
    bool loginDisabled = false;
    bool authPlain = false;
    bool idle = false;
    bool authXoauth2 = false;   // AUTH=XOAUTH2: takes OAuth 2.0 access tokens
    bool saslIr = false;        // SASL-IR: the first answer may ride on AUTHENTICATE (RFC 4959)
};

// Takes the capabilities from "* CAPABILITY ..." or a "[CAPABILITY ...]" response code; answers
// false, leaving them alone, when the text holds neither.
bool takeCapabilities(const std::string& text, ImapCapabilities& capabilities);

// "\0user\0password" in base64, the answer to AUTHENTICATE PLAIN (RFC 4616).
std::string plainSaslAnswer(const char* user, const char* password);

// Longest user name or password sent.
const size_t imapMaxCredentialLength = 1024;

// Logs in with the entry's user and password: LOGIN with each sent quoted or as a literal, or,
// where the server disables LOGIN, AUTHENTICATE PLAIN. An OAuth 2.0 sign-in logs in with
// imapAuthenticateXoauth2 (mailcheck/imap_xoauth2.h) instead. why receives the log line of a failure.
int imapLogIn(ImapConversation& conversation, const ImapCapabilities& capabilities, const char* user,
              const char* password, char* why, size_t whySize);
