// HTTPS requests to the sign-in's token services through WinHTTP, loaded at run time from the
// system folder (Windows 2000 SP3, XP and later): the system's certificate checks, the user's
// proxy settings, every answer bounded in size and every wait in time and by a stop event.
#pragma once
#include <windows.h>
#include <cstddef>
#include <string>

// Longest answer taken; a longer one is refused whole.
const size_t httpsMaxReplySize = 65536;

// The longest one exchange may take, and each of its steps (resolve, connect, send, receive);
// tests shorten it.
extern volatile LONG httpsTimeoutMs;

// How the library is found; a test makes it missing to take the path of an older system.
struct WinHttpLibraryCalls {
    HMODULE (WINAPI *LoadLibraryA)(LPCSTR name);
};
extern WinHttpLibraryCalls winHttpLibraryCalls;

enum class HttpsOutcome {
    answered,     // status and body are the service's
    unavailable,  // the system has no WinHTTP
    badAddress,   // not an https:// address this client can take
    failed,       // no connection, a refused certificate, a broken answer: error holds the WinHTTP code
    tooLarge,     // the answer went beyond httpsMaxReplySize
    timedOut,
    stopped,      // the stop event was signalled
};

struct HttpsReply {
    DWORD status = 0;
    std::string body;
    DWORD error = 0;
};

// Whether WinHTTP can be loaded here.
bool winHttpAvailable();

// POSTs an application/x-www-form-urlencoded body to url and waits for the whole answer. stopEvent
// may be null. Redirects are not followed: a token service answers where it was asked.
HttpsOutcome httpsPostForm(const std::string& url, const std::string& body, HANDLE stopEvent, HttpsReply& reply);
