// The mail providers the add account wizard knows by the domain of an e-mail address: their POP3
// and IMAP servers, how they want to be signed in to, and what the user must do at the provider.
#pragma once
#include <cstdint>
#include <string>

// Which user name a provider wants.
enum ProviderUserName : int32_t {
    UserIsFullAddress = 0, // the whole address, "joe@example.com"
    UserIsLocalPart = 1,   // the part before the "@", "joe"
};

struct MailProvider {
    const char* name;
    const char* domains;    // the address domains it serves, separated by single blanks
    const char* popServer;  // null: no POP3
    const char* imapServer; // null: no IMAP
    int32_t imapPort;       // 0: the security's standard port
    int32_t security;       // a ConnectionSecurity, the same for both protocols
    int32_t signIn;         // a SignInMethod
    int32_t userName;       // a ProviderUserName
    const char* advice;     // one or two sentences: what to do at the provider first
};

// The provider that serves the address's domain (case does not matter), or null for a domain it
// does not know, an address without "@", or nothing after it.
const MailProvider* MailProviderFor(const char* address);

// The table in its order, for the wizard's tests and the help.
const MailProvider* MailProviders(size_t& count);

// The protocol the wizard fills for a provider: POP3 where it has it, else IMAP.
int32_t ProviderProtocol(const MailProvider& provider);

// The server of the protocol (null when the provider lacks it).
const char* ProviderServer(const MailProvider& provider, int32_t protocol);

// The user name the provider wants for the address.
std::string ProviderUser(const MailProvider& provider, const char* address);
