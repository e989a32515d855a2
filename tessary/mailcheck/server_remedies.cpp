// The table of refusal texts that real servers send and the remedy for each. The first row whose
// text the line holds wins, so a specific text stands before a general one.
#include "mailcheck/server_remedies.h"
#include <cstring>

namespace {

const char appPassword[] =
    "warning: the server asks for an app password; make one at the provider and enter it as the password";
const char webSignIn[] = "warning: the server wants a sign-in on its web page first; sign in there with a browser, "
                         "confirm that it was you, then check again";
const char popSwitchedOff[] =
    "warning: POP access is off for this account; switch it on in the provider's web settings";
const char imapSwitchedOff[] = "warning: IMAP access is off for this account; switch it on in the provider's web "
                               "settings, or ask the mailbox's administrator";
const char noPasswords[] = "warning: the server takes no passwords; choose the sign-in \"Microsoft account (OAuth "
                           "2.0)\" in the entry's Edit dialog and sign in";
const char microsoftLogon[] =
    "warning: the server refused the user name or password; an Outlook.com or Microsoft 365 mailbox takes no "
    "passwords: choose the sign-in \"Microsoft account (OAuth 2.0)\" in the entry's Edit dialog";
const char checkCredentials[] = "warning: the server refused the user name or password; check both, and enter an "
                                "app password where the provider asks for one";

struct Remedy {
    const char* replyText;
    const char* line;
};

const Remedy remedies[] = {
    // Gmail over POP3: "-ERR [AUTH] Application-specific password required: https://support.google.com/
    // accounts/answer/185833"; over IMAP: "NO [ALERT] Application-specific password required: ..."
    { "application-specific password required", appPassword },
    // Gmail over IMAP: "NO [WEBALERT https://accounts.google.com/...] Web login required."
    { "web login required", webSignIn },
    // Gmail: "[ALERT] Please log in via your web browser: https://support.google.com/mail/accounts/
    // answer/78754 (Failure)", also seen as "Please login via web browser"
    { "log in via your web browser", webSignIn },
    { "login via web browser", webSignIn },
    // Gmail answers STAT with "-ERR [SYS/PERM] Your account is not enabled for POP access. Please visit
    // your Gmail settings page and enable your account for POP access."; Yahoo says the same words.
    { "not enabled for pop access", popSwitchedOff },
    // Gmail: "[ALERT] IMAP access is disabled for your domain. ..."
    { "imap access is disabled", imapSwitchedOff },
    // Exchange Online: "Authentication unsuccessful, basic authentication is disabled."
    { "basic authentication is disabled", noPasswords },
    // Exchange Online over POP3 once passwords are refused: "-ERR Logon failure: unknown user name or
    // bad password."
    { "logon failure: unknown user name or bad password", microsoftLogon },
    // RFC 5530's code, as Gmail ("[AUTHENTICATIONFAILED] Invalid credentials (Failure)") and Dovecot
    // ("[AUTHENTICATIONFAILED] Authentication failed.") send it
    { "[authenticationfailed]", checkCredentials },
    // Gmail over POP3: "-ERR [AUTH] Username and password not accepted."
    { "username and password not accepted", checkCredentials },
};

// Replies are compared in ASCII, whatever the user's locale.
char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// wanted is in lower case.
bool holdsWithoutCase(const char* text, const char* wanted)
{
    size_t length = std::strlen(wanted);
    for (; *text; ++text) {
        size_t i = 0;
        while (i < length && text[i] && asciiLower(text[i]) == wanted[i])
            ++i;
        if (i == length)
            return true;
    }
    return false;
}

} // namespace

const char* ServerReplyRemedy(const char* failureLine)
{
    if (!failureLine)
        return nullptr;
    for (const Remedy& remedy : remedies)
        if (holdsWithoutCase(failureLine, remedy.replyText))
            return remedy.line;
    return nullptr;
}
