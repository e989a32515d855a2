// The services an entry can sign in with (OAuth 2.0): their endpoints, scopes and the program's
// registration with them, built in and replaced key by key from oauth.ini in the data folder.
#pragma once
#include <cstdint>
#include <string>

struct OAuthProvider {
    const char* section;      // its section in oauth.ini
    bool hasDeviceFlow;       // Google refuses the device flow for the mail scope
    std::string authorize;    // the authorization endpoint the browser is sent to
    std::string token;        // the token endpoint: codes redeemed, tokens refreshed
    std::string device;       // the device authorization endpoint; empty without one
    std::string scope;        // asked for by POP3 entries
    std::string imapScope;    // asked for by IMAP entries
    std::string clientId;     // empty: nobody registered the program; sign-in cannot start
    std::string clientSecret; // Google's installed-app secret, which it does not treat as secret
    const char* authorizeExtras; // added to the authorize address ("" for none)
};

// The provider of a sign-in method (storage/mailbox_entry.h SignInMethod), or null for the password.
// Read at start, before any check runs; never changed while one does.
OAuthProvider* oauthProviderFor(int32_t signInMethod);

// The provider as an entry of the given protocol (storage/mailbox_entry.h MailProtocol) signs in
// with it: an IMAP entry asks for the IMAP scope in place of the POP3 one.
OAuthProvider providerForProtocol(const OAuthProvider& provider, int32_t protocol);

// Puts the built-in values back (the ones compiled in), as before oauth.ini was read.
void resetOAuthProviders();

// The file's name in the data folder.
const char oauthIniFileName[] = "oauth.ini";

// What reading oauth.ini found.
struct OAuthIniReport {
    bool present = false;   // the file exists
    bool ignored = false;   // it holds sections, keys or lines that were not taken
};

// Reads path (oauth.ini) into the providers (keys authorize, token, device, scope, imap_scope,
// client_id, client_secret): a key present in [microsoft] or [google] replaces the
// built-in value; an endpoint must be an https:// address, else it is ignored. Anything else in
// the file is ignored and reported, never an error.
OAuthIniReport readOAuthIni(const char* path);

// The warning line for a file that held something ignored.
extern const char oauthIniIgnoredLine[];
