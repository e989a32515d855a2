// The wizard's first three pages: the e-mail address and the name, the server, and how to sign in.
// A known provider's settings are filled in from the address once, when it changes; every field
// stays the user's to change, and an unknown domain leaves them as they are.
#include "dialogs/wizard_page.h"
#include "dialogs/dialog_controls.h"
#include "dialogs/entry_security.h"
#include "dialogs/entry_sign_in.h"
#include "dialogs/mail_providers.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <cstdio>
#include <string>

namespace {

// The wizard's text fields are read up to 259 characters.
const int pageTextSize = 260;

// The address of this run as typed on page 1, and the one whose provider was last filled in:
// going back and on again with the same address keeps what the user changed since.
std::string wizardAddress;
std::string filledAddress;

std::string pageText(HWND page, int id)
{
    char text[pageTextSize];
    text[0] = '\0';
    SendDlgItemMessageA(page, id, WM_GETTEXT, pageTextSize, reinterpret_cast<LPARAM>(text));
    text[pageTextSize - 1] = '\0';
    return text;
}

std::string trimmed(const std::string& text)
{
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// A required text of a page: stored, or refused with the message when empty.
bool storeRequired(HWND page, int id, MailboxEntry& entry, void (MailboxEntry::*set)(const char*), const char* missing)
{
    std::string text = pageText(page, id);
    if (text.empty()) {
        showInvalidInput(page, missing);
        return false;
    }
    (entry.*set)(text.c_str());
    return true;
}

const MailProvider* wizardProvider()
{
    return MailProviderFor(wizardAddress.c_str());
}

int32_t standardPort(int32_t protocol, int32_t security)
{
    if (protocol == ProtocolImap)
        return security == SecuritySslTls ? 993 : 143;
    return security == SecuritySslTls ? 995 : 110;
}

// Everything the provider's row says, over what the entry held.
void fillFromProvider(const MailProvider& provider, MailboxEntry& entry)
{
    int32_t protocol = ProviderProtocol(provider);
    entry.protocol = protocol;
    entry.setServer(ProviderServer(provider, protocol));
    entry.setSecurity(provider.security);
    entry.setPort(protocol == ProtocolImap ? provider.imapPort : 0);
    entry.watchContinuously = protocol == ProtocolImap;
    entry.signIn = provider.signIn;
    entry.setUser(ProviderUser(provider, wizardAddress.c_str()).c_str());
    if (provider.signIn != SignInPassword)
        entry.setAccount(wizardAddress.c_str());
}

} // namespace

// Page 1: the address, then the name.
void createNamePage(HWND)
{
    wizardAddress.clear();
    filledAddress.clear();
}

void activateNamePage(HWND page, MailboxEntry& entry)
{
    SetDlgItemTextA(page, IDC_WIZ_ADDRESS, wizardAddress.c_str());
    setTextOrEmpty(page, IDC_WIZ_NAME, entry.name);
}

bool nextNamePage(HWND page, MailboxEntry& entry)
{
    wizardAddress = trimmed(pageText(page, IDC_WIZ_ADDRESS));
    if (wizardAddress != filledAddress) {
        if (const MailProvider* provider = wizardProvider())
            fillFromProvider(*provider, entry);
        filledAddress = wizardAddress;
    }
    if (!wizardAddress.empty() && pageText(page, IDC_WIZ_NAME).empty())
        SetDlgItemTextA(page, IDC_WIZ_NAME, wizardAddress.c_str());
    return storeRequired(page, IDC_WIZ_NAME, entry, &MailboxEntry::setName, "You must supply a name");
}

// Page 2: the server, its protocol and port, whether it needs TLS from the first byte, and for
// IMAP whether to keep watching the folder.
namespace {

int32_t chosenProtocol(HWND page)
{
    return SendDlgItemMessageA(page, IDC_WIZ_PROTOCOL, CB_GETCURSEL, 0, 0) == ProtocolImap ? ProtocolImap
                                                                                             : ProtocolPop3;
}

} // namespace

void enableServerPage(HWND page)
{
    enableControls(page, { IDC_WIZ_WATCH }, chosenProtocol(page) == ProtocolImap);
}

void createServerPage(HWND page)
{
    for (const char* name : { "POP3", "IMAP" }) // list positions are the MailProtocol values
        SendDlgItemMessageA(page, IDC_WIZ_PROTOCOL, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

void activateServerPage(HWND page, MailboxEntry& entry)
{
    setTextOrEmpty(page, IDC_WIZ_SERVER, entry.server);
    int32_t protocol = entry.protocol == ProtocolImap ? ProtocolImap : ProtocolPop3;
    SendDlgItemMessageA(page, IDC_WIZ_PROTOCOL, CB_SETCURSEL, protocol, 0);
    setChecked(page, IDC_WIZ_SECURE, entry.security != SecurityNone);
    char port[16] = "";
    if (entry.port != 0 && entry.port != standardPort(protocol, entry.security))
        snprintf(port, sizeof port, "%d", static_cast<int>(entry.port));
    SetDlgItemTextA(page, IDC_WIZ_PORT, port);
    // Watching is on by default; a POP3 entry shows it ready for a switch to IMAP.
    setChecked(page, IDC_WIZ_WATCH, protocol == ProtocolPop3 || entry.watchContinuously);
    enableServerPage(page);
}

bool nextServerPage(HWND page, MailboxEntry& entry)
{
    if (!storeRequired(page, IDC_WIZ_SERVER, entry, &MailboxEntry::setServer, "You must supply a server"))
        return false;
    int32_t port = 0;
    if (!ParsePortText(pageText(page, IDC_WIZ_PORT).c_str(), port)) {
        showInvalidInput(page, "Port must be a number from 1 to 65535");
        return false;
    }
    // A checked box keeps STLS where the entry asks for it (a provider's choice); else TLS at once.
    bool secure = isChecked(page, IDC_WIZ_SECURE);
    entry.setSecurity(!secure ? SecurityNone : entry.security == SecurityStls ? SecurityStls : SecuritySslTls);
    entry.setPort(port);
    entry.protocol = chosenProtocol(page);
    // Watching continuously takes effect on a LAN only, as in the edit dialog.
    entry.watchContinuously = entry.protocol == ProtocolImap && isChecked(page, IDC_WIZ_WATCH);
    return true;
}

// A switch of the protocol takes the provider's server for it, unless the user typed another.
void commandServerPage(HWND page, WORD id, WORD code)
{
    if (id != IDC_WIZ_PROTOCOL || code != CBN_SELCHANGE)
        return;
    enableServerPage(page);
    const MailProvider* provider = wizardProvider();
    if (!provider)
        return;
    int32_t protocol = chosenProtocol(page);
    const char* from = ProviderServer(*provider, protocol == ProtocolImap ? ProtocolPop3 : ProtocolImap);
    const char* to = ProviderServer(*provider, protocol);
    if (from && to && pageText(page, IDC_WIZ_SERVER) == from)
        SetDlgItemTextA(page, IDC_WIZ_SERVER, to);
}

// Page 3: what the provider wants, the sign-in method, user and password.
namespace {

int32_t chosenSignIn(HWND page)
{
    LRESULT method = SendDlgItemMessageA(page, IDC_WIZ_SIGN_IN, CB_GETCURSEL, 0, 0);
    return method == SignInMicrosoft || method == SignInGoogle ? int32_t(method) : SignInPassword;
}

} // namespace

void enableCredentialsPage(HWND page)
{
    enableControls(page, { IDC_WIZ_PASSWORD }, chosenSignIn(page) == SignInPassword);
}

void createCredentialsPage(HWND page)
{
    for (int32_t method : { SignInPassword, SignInMicrosoft, SignInGoogle })
        SendDlgItemMessageA(page, IDC_WIZ_SIGN_IN, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(SignInMethodName(method)));
}

void activateCredentialsPage(HWND page, MailboxEntry& entry)
{
    const MailProvider* provider = wizardProvider();
    const char* advice = provider ? provider->advice : "";
    if (!provider && !wizardAddress.empty())
        advice = "Tessary does not know the provider of this address: enter the server, user name and password "
                 "that your provider's help gives for POP3 or IMAP.";
    SetDlgItemTextA(page, IDC_WIZ_ADVICE, advice);
    int32_t method = entry.signIn == SignInMicrosoft || entry.signIn == SignInGoogle ? entry.signIn : SignInPassword;
    SendDlgItemMessageA(page, IDC_WIZ_SIGN_IN, CB_SETCURSEL, method, 0);
    setTextOrEmpty(page, IDC_WIZ_USER, entry.user);
    setTextOrEmpty(page, IDC_WIZ_PASSWORD, entry.password);
    enableCredentialsPage(page);
}

bool nextCredentialsPage(HWND page, MailboxEntry& entry)
{
    int32_t method = chosenSignIn(page);
    if (!storeRequired(page, IDC_WIZ_USER, entry, &MailboxEntry::setUser, "You must supply a username"))
        return false;
    if (method == SignInPassword) {
        if (!storeRequired(page, IDC_WIZ_PASSWORD, entry, &MailboxEntry::setPassword, "You must supply a password"))
            return false;
        entry.signIn = SignInPassword;
        return true;
    }
    if (entry.security == SecurityNone) {
        showInvalidInput(page, "A Microsoft or Google sign-in needs a secure connection: choose SSL/TLS or STLS.");
        return false;
    }
    // The account signed in with is the address, or the user name where no address was given.
    entry.signIn = method;
    entry.setAccount(wizardAddress.find('@') != std::string::npos ? wizardAddress.c_str() : entry.user);
    return true;
}

void commandCredentialsPage(HWND page, WORD id, WORD code)
{
    if (id == IDC_WIZ_SIGN_IN && code == CBN_SELCHANGE)
        enableCredentialsPage(page);
}

