// What the tests that talk to the Dovecot of tests/support/with-dovecot share: the wrapper's
// settings from the environment, and its mailbox emptied between tests.
#pragma once
#include <string>

// The value of an environment variable, or "" when it is not set.
std::string environment(const char* name);

// Deletes every message file in the maildir's new\ and cur\ folders (maildir ends in a backslash).
void emptyMaildir(const std::string& maildir);

// A small message numbered n, as a maildir file holds it: sender n, subject "number n".
std::string numberedMessage(int n);
