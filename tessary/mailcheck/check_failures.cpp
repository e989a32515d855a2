// Sorts the POP3, IMAP and sign-in result codes of failed checks by what can mend them, and words them for the user.
#include "mailcheck/check_failures.h"
#include "mailcheck/imap_session.h"
#include "mailcheck/pop3_session.h"
#include "signin/signin_result.h"
#include <cstdio>

namespace {

struct FailureText {
    int code;
    CheckFailureKind kind;
    const char* words;
};

const FailureText failureTexts[] = {
    { pop3NoSocketEvent, CheckFailureKind::Connection, "the network connection could not be set up" },
    { pop3EventSelectFailed, CheckFailureKind::Connection, "the network connection could not be set up" },
    { pop3BadGreeting, CheckFailureKind::Connection, "the server did not answer" },
    { pop3UserRefused, CheckFailureKind::NeedsUser, "the server refused the user name" },
    { pop3PassRefused, CheckFailureKind::NeedsUser, "the server refused the password" },
    { pop3NoConnection, CheckFailureKind::Connection, "the server cannot be reached" },
    { pop3TlsUnavailable, CheckFailureKind::NeedsUser, "TLS is not available on this system" },
    { pop3TlsHandshakeFailed, CheckFailureKind::Connection, "the secure connection could not be made" },
    { pop3CertificateUntrusted, CheckFailureKind::NeedsUser, "the server's certificate is not trusted" },
    { pop3CertificateNameMismatch, CheckFailureKind::NeedsUser, "the server's certificate names another server" },
    { pop3CertificatePinMismatch, CheckFailureKind::NeedsUser, "the server's certificate has changed" },
    { pop3StlsNotOffered, CheckFailureKind::NeedsUser, "the server does not offer STLS" },
    { pop3StlsRefused, CheckFailureKind::NeedsUser, "the server refused STLS" },
    { pop3PasswordUnreadable, CheckFailureKind::NeedsUser, "the stored password cannot be read; enter it again" },
    { checkNotStarted, CheckFailureKind::Connection, "the network could not be started" },
    { imapBadGreeting, CheckFailureKind::Connection, "the server did not answer" },
    { imapStarttlsNotOffered, CheckFailureKind::NeedsUser, "the server does not offer STARTTLS" },
    { imapStarttlsRefused, CheckFailureKind::NeedsUser, "the server refused STARTTLS" },
    { imapLoginRefused, CheckFailureKind::NeedsUser, "the server refused the login" },
    { imapFolderRefused, CheckFailureKind::NeedsUser, "the server cannot open the folder" },
    { signInNotSignedIn, CheckFailureKind::NeedsUser, "the account is not signed in yet" },
    { signInExpired, CheckFailureKind::NeedsUser, "the sign-in has expired or was withdrawn; sign in again" },
    { signInServiceFailed, CheckFailureKind::Connection, "the sign-in service could not be reached" },
    { signInTokenRefused, CheckFailureKind::NeedsUser, "the mail server refused the sign-in" },
    { signInNoClientId, CheckFailureKind::NeedsUser, "no client id is set for this sign-in" },
    { signInUnavailable, CheckFailureKind::NeedsUser, "sign-in is not available on this system" },
    { signInNeedsTls, CheckFailureKind::NeedsUser, "a signed-in entry needs a secure connection" },
};

const FailureText* findFailure(int code)
{
    for (const FailureText& text : failureTexts)
        if (text.code == code)
            return &text;
    return nullptr;
}

} // namespace

CheckFailureKind ClassifyCheckFailure(int code)
{
    const FailureText* text = findFailure(code);
    return text ? text->kind : CheckFailureKind::Other;
}

void DescribeCheckFailure(int code, char* text, size_t size, bool signedIn)
{
    if (code == pop3PasswordUnreadable && signedIn)
        snprintf(text, size, "the stored sign-in cannot be read; sign in again");
    else if (const FailureText* known = findFailure(code))
        snprintf(text, size, "%s", known->words);
    else
        snprintf(text, size, "the server broke off the check (error %d)", code);
}
