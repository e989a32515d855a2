// Signing in through the user's own browser: authorization code with PKCE (S256), redirected to a
// loopback listener (RFC 8252), the code redeemed at the token endpoint.
#pragma once
#include "signin/oauth_providers.h"
#include "signin/token_answer.h"
#include <windows.h>
#include <cstddef>
#include <string>

// The longest a sign-in waits for the browser to come back, unless a test shortens it.
extern volatile LONG browserSignInTimeoutMs;

// The address the browser is sent to (with the provider's extra parameters for a refresh token).
// loginHint (may be null or empty) names the account to the service.
std::string authorizeAddress(const OAuthProvider& provider, const std::string& redirectUri, const std::string& state,
                             const std::string& challenge, const char* loginHint);

// Runs the whole flow: opens the authorize address in the browser (through the platform's launch,
// platform/ui_calls.h), waits for the redirect with the state checked, redeems the code. signInOk
// with the tokens in answer; else a SignInResult and its line in why. stopEvent (may be null)
// cancels. Starts and ends Winsock itself.
int signInWithBrowser(const OAuthProvider& provider, const char* loginHint, HWND owner, HANDLE stopEvent,
                      TokenAnswer& answer, char* why, size_t whySize);
