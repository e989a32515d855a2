// Letting go of a sign-in's run-time tokens without leaving them in freed memory.
#include "storage/sign_in_session.h"
#include <windows.h>

namespace {

void scrub(std::string& text)
{
    if (!text.empty())
        SecureZeroMemory(&text[0], text.size());
    text.clear();
}

} // namespace

void SignInSession::forgetAccessToken()
{
    scrub(accessToken);
    expiresAt = 0;
}

void SignInSession::clear()
{
    forgetAccessToken();
    scrub(rotatedRefreshToken);
    expired = false;
}
