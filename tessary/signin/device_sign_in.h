// Signing in with a code entered on another device or browser (RFC 8628), Microsoft's second way:
// the service gives a code and an address, the user enters the code there, and the program polls
// the token endpoint at the interval the service asks until the user has agreed.
#pragma once
#include "signin/oauth_providers.h"
#include "signin/token_answer.h"
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include <string>

// How long one interval second lasts; tests shorten it.
extern volatile LONG deviceIntervalUnitMs;

struct DeviceCode {
    std::string deviceCode;       // sent back with each poll; never shown
    std::string userCode;         // what the user types
    std::string verificationUri;  // where the user types it
    int64_t expiresIn = 0;        // seconds the code lasts
    int64_t interval = 5;         // seconds between polls
    ~DeviceCode();
};

// Asks the provider's device endpoint for a code. signInOk, or a SignInResult with its line.
int requestDeviceCode(const OAuthProvider& provider, HANDLE stopEvent, DeviceCode& code, char* why, size_t whySize);

// Polls the token endpoint until the user agreed (signInOk, tokens in answer), refused
// (signInRefusedByUser), let the code expire or cancelled (signInCancelled), or the service failed.
// "slow_down" adds five seconds to the interval, as the standard says.
int pollDeviceCode(const OAuthProvider& provider, const DeviceCode& code, HANDLE stopEvent, TokenAnswer& answer,
                   char* why, size_t whySize);
