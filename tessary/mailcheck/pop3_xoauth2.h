// Logging in to POP3 with an OAuth 2.0 access token: AUTH XOAUTH2 in two steps, as Exchange Online
// requires (the command, then the initial response after the server's "+").
#pragma once
#include "mailcheck/pop3_session.h"
#include "signin/signin_result.h"
#include <cstddef>
#include <string>

class Pop3Connection;

// The SASL initial response: base64 of "user=<account>^Aauth=Bearer <token>^A^A". False when the
// account or token carry a control character that would change its meaning.
bool xoauth2Response(const char* account, const char* accessToken, std::string& response);

// The HTTP status an error challenge ("+ <base64 of JSON>", or the base64 alone) names, such as
// "401", or empty. Only digits come back, so nothing the server sent goes to the log verbatim.
std::string xoauth2ChallengeStatus(const char* challenge);

// AUTH XOAUTH2 on a connection past its greeting. pop3Success when the server takes the token;
// signInTokenRefused (with why) when it refuses the mechanism or the token. A server that answers
// the token with "+ <base64 error>" gets an empty line and then gives its "-ERR".
int authenticateXoauth2(Pop3Connection& connection, const char* account, const char* accessToken, char* why,
                        size_t whySize);

// A session that logs in with AUTH XOAUTH2 instead of USER and PASS, otherwise as Pop3Session.
// Only over TLS: with security None nothing is sent and signInNeedsTls is answered.
int Pop3SessionWithToken(const Pop3Target& target, const char* account, const char* accessToken,
                         uint32_t* messageCount, HANDLE stopEvent, char*** headers, char* detail, size_t detailSize,
                         KnownMessages* known = nullptr, uint8_t** headerMarks = nullptr);
