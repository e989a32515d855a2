// Showing and storing an entry's protocol and IMAP folder, and keeping the security names and the
// port's hint in step with the protocol.
#include "dialogs/entry_protocol.h"
#include "dialogs/dialog_controls.h"
#include "dialogs/entry_security.h"
#include "resources/resource.h"
#include <cstdio>
#include <cstdlib>

namespace {

// List positions are the MailProtocol values.
const char* const protocolNames[] = { "POP3", "IMAP" };

int32_t listedProtocol(LRESULT value)
{
    return value == ProtocolImap ? ProtocolImap : ProtocolPop3;
}

// The port a protocol uses for a security when the entry names none.
int defaultPort(int32_t protocol, LRESULT security)
{
    if (protocol == ProtocolImap)
        return security == SecuritySslTls ? 993 : 143;
    return security == SecuritySslTls ? 995 : 110;
}

void showPortHint(HWND dialog, int32_t protocol)
{
    char hint[48];
    LRESULT security = SendDlgItemMessageA(dialog, IDC_EMB_SECURITY, CB_GETCURSEL, 0, 0);
    snprintf(hint, sizeof hint, "(empty: %d)", defaultPort(protocol, security));
    SetDlgItemTextA(dialog, IDC_EMB_PORT_DEFAULT, hint);
}

// A port typed as the other protocol's standard one would point the new protocol at the wrong
// service: it goes back to the default.
void dropOtherProtocolsPort(HWND dialog, int32_t protocol)
{
    char text[fieldTextSize];
    readFieldText(dialog, IDC_EMB_PORT, text);
    int typed = atoi(text);
    int32_t other = protocol == ProtocolImap ? ProtocolPop3 : ProtocolImap;
    if (typed == defaultPort(other, SecurityNone) || typed == defaultPort(other, SecuritySslTls))
        SetDlgItemTextA(dialog, IDC_EMB_PORT, "");
}

} // namespace

void FillProtocolList(HWND dialog)
{
    for (const char* name : protocolNames)
        SendDlgItemMessageA(dialog, IDC_EMB_PROTOCOL, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

void ShowProtocolFields(HWND dialog, const MailboxEntry& entry)
{
    SendDlgItemMessageA(dialog, IDC_EMB_PROTOCOL, CB_SETCURSEL, listedProtocol(entry.protocol), 0);
    setTextOrEmpty(dialog, IDC_EMB_FOLDER, entry.folder);
    setChecked(dialog, IDC_EMB_WATCH, entry.watchContinuously);
}

int32_t ChosenProtocol(HWND dialog)
{
    return listedProtocol(SendDlgItemMessageA(dialog, IDC_EMB_PROTOCOL, CB_GETCURSEL, 0, 0));
}

void UpdateProtocolControls(HWND dialog, bool protocolChanged)
{
    int32_t protocol = ChosenProtocol(dialog);
    NameSecurityChoices(dialog, protocol);
    enableControls(dialog, { IDC_EMB_FOLDER, IDC_EMB_WATCH }, protocol == ProtocolImap);
    if (protocolChanged) {
        dropOtherProtocolsPort(dialog, protocol);
        // On by default for IMAP; it takes effect only on a LAN and where the server has IDLE.
        setChecked(dialog, IDC_EMB_WATCH, protocol == ProtocolImap);
    }
    showPortHint(dialog, protocol);
}

void StoreProtocolFields(HWND dialog, MailboxEntry& entry)
{
    entry.protocol = ChosenProtocol(dialog);
    char text[fieldTextSize];
    readFieldText(dialog, IDC_EMB_FOLDER, text);
    entry.setFolder(text);
    entry.watchContinuously = entry.protocol == ProtocolImap && isChecked(dialog, IDC_EMB_WATCH);
}
