// Requests to a provider's token endpoint: an authorization code redeemed with its PKCE verifier,
// and an access token got with the refresh token. Each answers a SignInResult and, for anything
// but success, one log line in why that never holds a token.
#pragma once
#include "signin/oauth_providers.h"
#include "signin/token_answer.h"
#include <windows.h>
#include <cstddef>
#include <string>

int redeemAuthorizationCode(const OAuthProvider& provider, const std::string& code, const std::string& verifier,
                            const std::string& redirectUri, HANDLE stopEvent, TokenAnswer& answer, char* why,
                            size_t whySize);

int refreshAccessToken(const OAuthProvider& provider, const std::string& refreshToken, HANDLE stopEvent,
                       TokenAnswer& answer, char* why, size_t whySize);
