// The run-time side of an entry's OAuth 2.0 sign-in: the access token of its last refresh, whether
// the service withdrew the sign-in, and a rotated refresh token waiting to be saved. Never saved
// itself; guarded by the entry's lock.
#pragma once
#include <cstdint>
#include <string>

struct SignInSession {
    std::string accessToken;
    uint64_t expiresAt = 0;          // UTC as FILETIME units; 0 with no access token
    bool expired = false;            // invalid_grant: no check until the user signs in again
    std::string rotatedRefreshToken; // given by the service in place of the stored one; the
                                     // window thread moves it into the entry and saves the list

    SignInSession() = default;
    ~SignInSession() { clear(); }
    SignInSession(const SignInSession&) = delete;
    SignInSession& operator=(const SignInSession&) = delete;

    void forgetAccessToken();
    void clear(); // overwrites the tokens before letting them go
};
