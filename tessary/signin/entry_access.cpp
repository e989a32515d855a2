// Access tokens for checks, and the refresh token's rotation.
#include "signin/entry_access.h"
#include "signin/oauth_providers.h"
#include "signin/signin_result.h"
#include "signin/token_service.h"
#include "storage/mailbox_entry.h"
#include <cstdio>

namespace {

// Seconds assumed when the service does not say how long a token lasts.
const int64_t defaultLifetimeSeconds = 3600;

unsigned long long utcNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

int fail(int result, char* why, size_t whySize)
{
    snprintf(why, whySize, "%s", signInResultLine(result));
    return result;
}

void scrub(std::string& text)
{
    if (!text.empty())
        SecureZeroMemory(&text[0], text.size());
    text.clear();
}

} // namespace

int accessTokenForCheck(MailboxEntry& entry, HANDLE stopEvent, std::string& accessToken, char* why, size_t whySize)
{
    const OAuthProvider* provider = oauthProviderFor(entry.signIn);
    if (!provider)
        return fail(signInNotSignedIn, why, whySize);

    std::string refreshToken;
    bool expired = false;
    EnterCriticalSection(&entry.lock);
    SignInSession& session = entry.signInSession;
    expired = session.expired;
    bool fresh = !session.accessToken.empty() && session.expiresAt > utcNow() + accessTokenMargin;
    if (fresh)
        accessToken = session.accessToken;
    else if (!session.rotatedRefreshToken.empty())
        refreshToken = session.rotatedRefreshToken;
    else if (entry.refreshToken)
        refreshToken = entry.refreshToken;
    LeaveCriticalSection(&entry.lock);

    if (expired)
        return fail(signInExpired, why, whySize);
    if (fresh)
        return signInOk;
    if (provider->clientId.empty())
        return fail(signInNoClientId, why, whySize);
    if (refreshToken.empty())
        return fail(signInNotSignedIn, why, whySize);

    TokenAnswer answer;
    int result = refreshAccessToken(*provider, refreshToken, stopEvent, answer, why, whySize);
    EnterCriticalSection(&entry.lock);
    if (result == signInOk) {
        int64_t lifetime = answer.expiresIn > 0 ? answer.expiresIn : defaultLifetimeSeconds;
        session.forgetAccessToken();
        session.accessToken = answer.accessToken;
        session.expiresAt = utcNow() + static_cast<unsigned long long>(lifetime) * 10000000ull;
        if (!answer.refreshToken.empty() && answer.refreshToken != refreshToken) {
            scrub(session.rotatedRefreshToken);
            session.rotatedRefreshToken = answer.refreshToken;
        }
        accessToken = answer.accessToken;
    } else if (result == signInExpired) {
        session.forgetAccessToken();
        session.expired = true;
    }
    LeaveCriticalSection(&entry.lock);
    scrub(refreshToken);
    return result;
}

void forgetAccessToken(MailboxEntry& entry)
{
    EnterCriticalSection(&entry.lock);
    entry.signInSession.forgetAccessToken();
    LeaveCriticalSection(&entry.lock);
}

bool adoptRotatedRefreshToken(MailboxEntry& entry)
{
    EnterCriticalSection(&entry.lock);
    bool rotated = !entry.signInSession.rotatedRefreshToken.empty();
    if (rotated) {
        entry.setRefreshToken(entry.signInSession.rotatedRefreshToken.c_str());
        scrub(entry.signInSession.rotatedRefreshToken);
    }
    LeaveCriticalSection(&entry.lock);
    return rotated;
}

bool signInWithdrawn(MailboxEntry& entry)
{
    EnterCriticalSection(&entry.lock);
    bool expired = entry.signInSession.expired;
    LeaveCriticalSection(&entry.lock);
    return entry.signIn != SignInPassword && expired;
}
