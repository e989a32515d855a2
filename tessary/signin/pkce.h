// The secrets of one authorization-code sign-in (RFC 7636 PKCE with S256, and the state that ties
// the redirect to the request), from the system's random source and SHA-256 through CryptoAPI.
#pragma once
#include <string>

struct PkcePair {
    std::string verifier;   // 43 URL-safe characters from 32 random bytes
    std::string challenge;  // base64url(SHA-256(verifier))
    std::string state;      // 22 URL-safe characters from 16 random bytes
};

// False where the system has no random source or no provider that knows SHA-256.
bool makePkcePair(PkcePair& pair);

// The S256 challenge of a verifier; false where SHA-256 is missing.
bool pkceChallengeFor(const std::string& verifier, std::string& challenge);
