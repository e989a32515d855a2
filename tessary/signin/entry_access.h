// The access token a signed-in entry's check logs in with: kept between checks, refreshed with
// the stored refresh token when less than five minutes are left, the rotated refresh token handed
// to the window thread to save, and a withdrawn sign-in remembered so that it is not tried again.
#pragma once
#include <windows.h>
#include <cstddef>
#include <string>

class MailboxEntry;

// How long before its end an access token is renewed (FILETIME units: five minutes).
const unsigned long long accessTokenMargin = 5ull * 60 * 10000000;

// Called by the check worker before it connects. signInOk with accessToken filled, or a
// SignInResult with its log line in why. Takes the entry's lock only briefly, never across the
// request.
int accessTokenForCheck(MailboxEntry& entry, HANDLE stopEvent, std::string& accessToken, char* why,
                        size_t whySize);

// After the mail server refused the token: the next check asks the service for a new one.
void forgetAccessToken(MailboxEntry& entry);

// On the window thread after a check: moves a rotated refresh token into the entry. True when
// the entry changed and the entry list must be saved.
bool adoptRotatedRefreshToken(MailboxEntry& entry);

// Whether the service withdrew the entry's sign-in: its checks wait until the user signs in.
bool signInWithdrawn(MailboxEntry& entry);
