// The results of signing in and of getting a token for a check: 0 for success, else the codes the
// entry list shows (beside the POP3 session's own, mailcheck/pop3_session.h).
#pragma once

enum SignInResult : int {
    signInOk = 0,
    signInNotSignedIn = -120,     // the entry has no refresh token: the user never signed in
    signInExpired = -121,         // invalid_grant: expired or withdrawn; the user must sign in again
    signInServiceFailed = -122,   // the token service could not be reached or answered nonsense
    signInTokenRefused = -123,    // the mail server refused the token
    signInNoClientId = -124,      // nobody named the program's registration with the provider
    signInUnavailable = -125,     // the system has no WinHTTP (before Windows 2000 SP3)
    signInNeedsTls = -126,        // a sign-in entry set to security None: the token is never sent in plain text
    signInCancelled = -127,       // the user ended a sign-in, or the program is closing
    signInRefusedByUser = -128,   // the browser came back with an error (access_denied and the like)
};

// The plain-words line of a code, "error: ..." first; null for codes that are not the sign-in's.
const char* signInResultLine(int result);
