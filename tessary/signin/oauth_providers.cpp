// The provider table: Microsoft's common v2.0 endpoints and Google's, with the registrations the
// build names.
#include "signin/oauth_providers.h"
#include "storage/mailbox_entry.h"

#ifndef TESSARY_MICROSOFT_CLIENT_ID
#define TESSARY_MICROSOFT_CLIENT_ID ""
#endif
#ifndef TESSARY_GOOGLE_CLIENT_ID
#define TESSARY_GOOGLE_CLIENT_ID ""
#endif
#ifndef TESSARY_GOOGLE_CLIENT_SECRET
#define TESSARY_GOOGLE_CLIENT_SECRET ""
#endif

namespace {

OAuthProvider microsoft;
OAuthProvider google;
bool providersSet = false;

void setBuiltIns()
{
    microsoft = OAuthProvider{ "microsoft", true,
                               "https://login.microsoftonline.com/common/oauth2/v2.0/authorize",
                               "https://login.microsoftonline.com/common/oauth2/v2.0/token",
                               "https://login.microsoftonline.com/common/oauth2/v2.0/devicecode",
                               "https://outlook.office.com/POP.AccessAsUser.All offline_access",
                               "https://outlook.office.com/IMAP.AccessAsUser.All offline_access",
                               TESSARY_MICROSOFT_CLIENT_ID, "", "" };
    google = OAuthProvider{ "google", false,
                            "https://accounts.google.com/o/oauth2/v2/auth",
                            "https://oauth2.googleapis.com/token",
                            "",
                            "https://mail.google.com/",
                            "https://mail.google.com/", // one scope covers POP3 and IMAP
                            TESSARY_GOOGLE_CLIENT_ID, TESSARY_GOOGLE_CLIENT_SECRET,
                            // Google gives a refresh token only when asked for offline access.
                            "access_type=offline&prompt=consent" };
    providersSet = true;
}

} // namespace

OAuthProvider* oauthProviderFor(int32_t signInMethod)
{
    if (!providersSet)
        setBuiltIns();
    if (signInMethod == SignInMicrosoft)
        return &microsoft;
    if (signInMethod == SignInGoogle)
        return &google;
    return nullptr;
}

OAuthProvider providerForProtocol(const OAuthProvider& provider, int32_t protocol)
{
    OAuthProvider chosen = provider;
    if (protocol == ProtocolImap)
        chosen.scope = provider.imapScope;
    return chosen;
}

void resetOAuthProviders()
{
    setBuiltIns();
}
