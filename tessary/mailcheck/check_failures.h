// What a failed check's result code means for the user: whether only the user can mend it, whether
// it was the network, and how to say it in plain words.
#pragma once
#include <cstddef>

enum class CheckFailureKind {
    NeedsUser,  // refused credentials or certificate, TLS or STLS refused: it fails until the user acts
    Connection, // the server could not be reached or did not answer: the network may be down
    Other,      // the server broke off or answered wrongly: may pass at the next check
};

CheckFailureKind ClassifyCheckFailure(int code);

// The reason in plain words, lower-case, without "error: " ("the server refused the password").
// signedIn: the entry signs in with an account, so what cannot be read is its sign-in, not a password.
void DescribeCheckFailure(int code, char* text, size_t size, bool signedIn = false);

// The pseudo-code for a check that could not start because Winsock could not be started: no
// Pop3Result, because such a check leaves lastResult as it was.
const int checkNotStarted = -1000;
