// Reading a token service's JSON answer (RFC 6749 section 5): the tokens it grants, or the error
// it names. Nothing in the answer is trusted before its type is checked.
#pragma once
#include <cstdint>
#include <string>

struct TokenAnswer {
    enum Kind {
        granted,       // access_token (a string) and token_type Bearer; the rest optional
        invalidGrant,  // error "invalid_grant": the refresh token or code is no longer good
        refused,       // another error the service named (in error)
        malformed,     // not JSON, not an object, or fields of the wrong type
    };
    Kind kind = malformed;
    std::string accessToken;
    std::string refreshToken;  // empty when the service keeps the old one
    int64_t expiresIn = 0;     // seconds; 0 when the answer did not say
    std::string error;         // the service's error code, kept to a short printable text

    ~TokenAnswer();
    void forget(); // overwrites the tokens before letting them go
};

// Parses body (at most https_client's bound) as the answer to a token request.
TokenAnswer readTokenAnswer(const std::string& body);
