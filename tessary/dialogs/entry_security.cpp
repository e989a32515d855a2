// Showing, checking and storing the security choice, port and trusted certificate of an entry.
#include "dialogs/entry_security.h"
#include "dialogs/dialog_controls.h"
#include "resources/resource.h"
#include "storage/thumbprint.h"
#include <cstdio>
#include <cstring>

namespace {

// List positions are the ConnectionSecurity values.
const char* const securityNames[] = { "None", "STLS", "SSL/TLS" };

// A list position or stored value the list has no name for counts as "None".
int32_t listedSecurity(LRESULT value)
{
    bool listed = value >= 0 && static_cast<size_t>(value) < sizeof securityNames / sizeof securityNames[0];
    return listed ? static_cast<int32_t>(value) : SecurityNone;
}

void storeSecurity(HWND dialog, MailboxEntry& entry)
{
    entry.setSecurity(listedSecurity(SendDlgItemMessageA(dialog, IDC_EMB_SECURITY, CB_GETCURSEL, 0, 0)));
}

bool storePort(HWND dialog, MailboxEntry& entry)
{
    char text[fieldTextSize];
    readFieldText(dialog, IDC_EMB_PORT, text);
    int32_t port;
    if (!ParsePortText(text, port)) {
        showInvalidInput(dialog, "Port must be a number from 1 to 65535");
        return false;
    }
    entry.setPort(port);
    return true;
}

// A field of nothing but separators counts as empty.
bool holdsOnlySeparators(const char* text)
{
    for (; *text; ++text)
        if (*text != ':' && *text != ' ')
            return false;
    return true;
}

bool storeTrustedCertificate(HWND dialog, MailboxEntry& entry)
{
    char text[fieldTextSize];
    readFieldText(dialog, IDC_EMB_TRUSTED_CERTIFICATE, text);
    if (holdsOnlySeparators(text)) {
        entry.setTrustedCertificate(nullptr);
        return true;
    }
    char digits[thumbprintDigits + 1];
    if (!normaliseThumbprint(text, digits)) {
        showInvalidInput(dialog, "The trusted certificate must be 64 hexadecimal digits (SHA-256).");
        return false;
    }
    entry.setTrustedCertificate(digits);
    return true;
}

} // namespace

bool ParsePortText(const char* text, int32_t& port)
{
    port = 0;
    if (*text == '\0')
        return true;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9')
            return false;
        port = port * 10 + (*text - '0');
        if (port > highestPort)
            return false;
    }
    return port >= 1;
}

void FillSecurityList(HWND dialog)
{
    for (const char* name : securityNames)
        SendDlgItemMessageA(dialog, IDC_EMB_SECURITY, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

void NameSecurityChoices(HWND dialog, int32_t protocol)
{
    const char* wanted = protocol == ProtocolImap ? "STARTTLS" : securityNames[SecurityStls];
    char shown[16] = "";
    HWND list = GetDlgItem(dialog, IDC_EMB_SECURITY);
    if (SendMessageA(list, CB_GETLBTEXTLEN, SecurityStls, 0) < LRESULT(sizeof shown))
        SendMessageA(list, CB_GETLBTEXT, SecurityStls, reinterpret_cast<LPARAM>(shown));
    if (strcmp(shown, wanted) == 0)
        return;
    LRESULT selected = SendMessageA(list, CB_GETCURSEL, 0, 0);
    SendMessageA(list, CB_DELETESTRING, SecurityStls, 0);
    SendMessageA(list, CB_INSERTSTRING, SecurityStls, reinterpret_cast<LPARAM>(wanted));
    SendMessageA(list, CB_SETCURSEL, selected, 0);
}

void ShowSecurityFields(HWND dialog, const MailboxEntry& entry)
{
    SendDlgItemMessageA(dialog, IDC_EMB_SECURITY, CB_SETCURSEL, listedSecurity(entry.security), 0);
    char port[16] = "";
    if (entry.port != 0)
        snprintf(port, sizeof port, "%d", static_cast<int>(entry.port));
    SetDlgItemTextA(dialog, IDC_EMB_PORT, port);
    setTextOrEmpty(dialog, IDC_EMB_TRUSTED_CERTIFICATE, entry.trustedCertificate);
}

bool StoreSecurityFields(HWND dialog, MailboxEntry& entry)
{
    storeSecurity(dialog, entry);
    return storePort(dialog, entry) && storeTrustedCertificate(dialog, entry);
}
