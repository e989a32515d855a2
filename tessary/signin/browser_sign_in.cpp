// The browser sign-in. Whatever comes back, the browser gets a short page that says what
// happened, and only a redirect with this sign-in's state is taken.
#include "signin/browser_sign_in.h"
#include "signin/https_client.h"
#include "signin/loopback_listener.h"
#include "signin/pkce.h"
#include "signin/signin_result.h"
#include "signin/token_service.h"
#include "signin/web_encoding.h"
#include "platform/ui_calls.h"
#include <cstdio>

volatile LONG browserSignInTimeoutMs = 5 * 60 * 1000;

namespace {

int fail(int result, char* why, size_t whySize, const char* line = nullptr)
{
    snprintf(why, whySize, "%s", line ? line : signInResultLine(result));
    return result;
}

class WinsockUse {
public:
    WinsockUse() { started_ = WSAStartup(MAKEWORD(2, 0), &data_) == 0; }
    ~WinsockUse()
    {
        if (started_)
            WSACleanup();
    }
    WinsockUse(const WinsockUse&) = delete;
    WinsockUse& operator=(const WinsockUse&) = delete;
    bool started() const { return started_; }

private:
    WSADATA data_ = {};
    bool started_ = false;
};

// What the redirect's query says: the code, or why there is none.
int takeRedirect(LoopbackListener& listener, const std::string& query, const std::string& state, std::string& code,
                 char* why, size_t whySize)
{
    std::string returnedState;
    std::string error;
    if (!queryValue(query, "state", returnedState) || returnedState != state) {
        listener.answer("Sign-in failed", "The answer did not belong to the sign-in Tessary started. Try again.");
        return fail(signInServiceFailed, why, whySize, "error: the browser's answer does not belong to this sign-in");
    }
    if (queryValue(query, "error", error)) {
        listener.answer("Sign-in refused", "Tessary was not given access. You can close this window.");
        std::string shown;
        for (char c : error.substr(0, 64))
            shown += (c > 0x20 && c < 0x7F) ? c : '?';
        char line[160];
        snprintf(line, sizeof line, "%s (%s)", signInResultLine(signInRefusedByUser), shown.c_str());
        return fail(signInRefusedByUser, why, whySize, line);
    }
    if (!queryValue(query, "code", code) || code.empty()) {
        listener.answer("Sign-in failed", "The answer held no authorization code. Try again.");
        return fail(signInServiceFailed, why, whySize, "error: the browser's answer holds no authorization code");
    }
    return signInOk;
}

} // namespace

std::string authorizeAddress(const OAuthProvider& provider, const std::string& redirectUri, const std::string& state,
                             const std::string& challenge, const char* loginHint)
{
    std::string address = provider.authorize;
    address += address.find('?') == std::string::npos ? '?' : '&';
    address += "client_id=" + percentEncode(provider.clientId);
    address += "&response_type=code";
    address += "&redirect_uri=" + percentEncode(redirectUri);
    address += "&scope=" + percentEncode(provider.scope);
    address += "&state=" + percentEncode(state);
    address += "&code_challenge=" + percentEncode(challenge);
    address += "&code_challenge_method=S256";
    if (loginHint && loginHint[0])
        address += "&login_hint=" + percentEncode(loginHint);
    if (provider.authorizeExtras && provider.authorizeExtras[0])
        address += std::string("&") + provider.authorizeExtras;
    return address;
}

int signInWithBrowser(const OAuthProvider& provider, const char* loginHint, HWND owner, HANDLE stopEvent,
                      TokenAnswer& answer, char* why, size_t whySize)
{
    if (provider.clientId.empty())
        return fail(signInNoClientId, why, whySize);
    if (!winHttpAvailable())
        return fail(signInUnavailable, why, whySize);
    PkcePair pkce;
    if (!makePkcePair(pkce))
        return fail(signInUnavailable, why, whySize);
    WinsockUse winsock;
    LoopbackListener listener;
    if (!winsock.started() || !listener.open())
        return fail(signInServiceFailed, why, whySize, "error: no local port could be opened for the sign-in");

    char redirectUri[64];
    snprintf(redirectUri, sizeof redirectUri, "http://127.0.0.1:%d/", listener.port());
    std::string address = authorizeAddress(provider, redirectUri, pkce.state, pkce.challenge, loginHint);
    HINSTANCE launched = uiCalls.ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(launched) <= 32)
        return fail(signInServiceFailed, why, whySize, "error: the browser could not be opened for the sign-in");

    std::string query;
    switch (listener.waitForRedirect(stopEvent, DWORD(browserSignInTimeoutMs), query)) {
    case LoopbackListener::Wait::arrived:
        break;
    case LoopbackListener::Wait::stopped:
        return fail(signInCancelled, why, whySize);
    case LoopbackListener::Wait::timedOut:
        return fail(signInCancelled, why, whySize, "error: the sign-in was not finished in the browser in time");
    case LoopbackListener::Wait::failed:
        return fail(signInServiceFailed, why, whySize, "error: the browser's answer could not be read");
    }
    std::string code;
    int result = takeRedirect(listener, query, pkce.state, code, why, whySize);
    if (result != signInOk)
        return result;
    result = redeemAuthorizationCode(provider, code, pkce.verifier, redirectUri, stopEvent, answer, why, whySize);
    if (result == signInOk && answer.refreshToken.empty()) {
        answer.forget();
        result = fail(signInServiceFailed, why, whySize, "error: the sign-in service gave no refresh token");
    }
    if (result == signInOk)
        listener.answer("Signed in", "Tessary is signed in. You can close this window.");
    else
        listener.answer("Sign-in failed", "Tessary could not finish the sign-in; its log says why.");
    return result;
}
