// The wizard's pages: what each shows on activation and stores on Next, with the same rules and
// messages as the edit entry and actions dialogs.
#include "dialogs/wizard_page.h"
#include "dialogs/action_fields.h"
#include "dialogs/browse_for_file.h"
#include "dialogs/dialog_controls.h"
#include "dialogs/dialup_combo.h"
#include "dialogs/entry_fields.h"
#include "resources/resource.h"
#include <commctrl.h>

namespace {

// The wizard's text fields are read up to 259 characters.
const int pageTextSize = 260;

// A required text of a page: stored, or refused with the message when empty.
bool storeRequired(HWND page, int id, MailboxEntry& entry, void (MailboxEntry::*set)(const char*), const char* missing)
{
    char text[pageTextSize];
    text[0] = '\0';
    SendDlgItemMessageA(page, id, WM_GETTEXT, pageTextSize, reinterpret_cast<LPARAM>(text));
    text[pageTextSize - 1] = '\0';
    if (text[0] == '\0') {
        showInvalidInput(page, missing);
        return false;
    }
    (entry.*set)(text);
    return true;
}

// Page 1: the name.
void activateName(HWND page, MailboxEntry& entry)
{
    setTextOrEmpty(page, IDC_WIZ_NAME, entry.name);
}

bool nextName(HWND page, MailboxEntry& entry)
{
    return storeRequired(page, IDC_WIZ_NAME, entry, &MailboxEntry::setName, "You must supply a name");
}

// Page 2: the server, its protocol, and whether it needs TLS from the first byte (always on the
// protocol's default port).
void createServer(HWND page)
{
    for (const char* name : { "POP3", "IMAP" }) // list positions are the MailProtocol values
        SendDlgItemMessageA(page, IDC_WIZ_PROTOCOL, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
}

void activateServer(HWND page, MailboxEntry& entry)
{
    setTextOrEmpty(page, IDC_WIZ_SERVER, entry.server);
    SendDlgItemMessageA(page, IDC_WIZ_PROTOCOL, CB_SETCURSEL, entry.protocol == ProtocolImap ? ProtocolImap : ProtocolPop3, 0);
    setChecked(page, IDC_WIZ_SECURE, entry.security != SecurityNone);
}

bool nextServer(HWND page, MailboxEntry& entry)
{
    if (!storeRequired(page, IDC_WIZ_SERVER, entry, &MailboxEntry::setServer, "You must supply a server"))
        return false;
    entry.setSecurity(isChecked(page, IDC_WIZ_SECURE) ? SecuritySslTls : SecurityNone);
    entry.setPort(0);
    LRESULT protocol = SendDlgItemMessageA(page, IDC_WIZ_PROTOCOL, CB_GETCURSEL, 0, 0);
    entry.protocol = protocol == ProtocolImap ? ProtocolImap : ProtocolPop3;
    // Watching continuously is on for IMAP, as in the edit dialog; it takes effect on a LAN only.
    entry.watchContinuously = entry.protocol == ProtocolImap;
    return true;
}

// Page 3: user and password.
void activateCredentials(HWND page, MailboxEntry& entry)
{
    setTextOrEmpty(page, IDC_WIZ_USER, entry.user);
    setTextOrEmpty(page, IDC_WIZ_PASSWORD, entry.password);
}

bool nextCredentials(HWND page, MailboxEntry& entry)
{
    return storeRequired(page, IDC_WIZ_USER, entry, &MailboxEntry::setUser, "You must supply a username") &&
           storeRequired(page, IDC_WIZ_PASSWORD, entry, &MailboxEntry::setPassword, "You must supply a password");
}

// Page 4: the connection.
void enableConnection(HWND page)
{
    enableControls(page, { IDC_WIZ_DIALUP, IDC_WIZ_HANG_UP }, !isChecked(page, IDC_WIZ_ALWAYS_CONNECTED));
}

void createConnection(HWND page)
{
    if (!FillDialupCombo(page, IDC_WIZ_DIALUP)) {
        abandonWizard(page);
        return;
    }
    enableConnection(page);
}

void activateConnection(HWND page, MailboxEntry& entry)
{
    SelectDialupEntry(GetDlgItem(page, IDC_WIZ_DIALUP), entry);
    if (entry.connectionMode != DialAsNeeded && entry.connectionMode != WaitForConnection)
        entry.connectionMode = AlwaysConnected;
    setChecked(page, IDC_WIZ_DIAL_AS_NEEDED, entry.connectionMode == DialAsNeeded);
    setChecked(page, IDC_WIZ_WAIT_FOR_CONNECTION, entry.connectionMode == WaitForConnection);
    setChecked(page, IDC_WIZ_ALWAYS_CONNECTED, entry.connectionMode == AlwaysConnected);
    setChecked(page, IDC_WIZ_HANG_UP, entry.hangUpWhenDone);
    enableConnection(page);
}

bool nextConnection(HWND page, MailboxEntry& entry)
{
    StoreConnectionFields(page, { IDC_WIZ_DIAL_AS_NEEDED, IDC_WIZ_WAIT_FOR_CONNECTION, IDC_WIZ_DIALUP, IDC_WIZ_HANG_UP },
                          entry);
    return true;
}

// Page 5: the schedule.
void enableSchedule(HWND page)
{
    enableControls(page, { IDC_EMB_START_TIME }, isChecked(page, IDC_EMB_START_TIME_SET));
    enableControls(page, { IDC_EMB_END_TIME }, isChecked(page, IDC_EMB_END_TIME_SET));
}

void createSchedule(HWND page)
{
    FillPeriodLists(page);
    enableSchedule(page);
}

void activateSchedule(HWND page, MailboxEntry& entry)
{
    ShowScheduleFields(page, entry);
    enableSchedule(page);
}

bool nextSchedule(HWND page, MailboxEntry& entry)
{
    return StoreScheduleFields(page, entry);
}

// Page 6: the sounds.
void enableSounds(HWND page)
{
    enableControls(page, { IDC_ACT_MAIL_SOUND_FILE, IDC_ACT_BROWSE_MAIL_SOUND }, isChecked(page, IDC_ACT_PLAY_MAIL_SOUND));
    enableControls(page, { IDC_ACT_NO_MAIL_SOUND_FILE, IDC_ACT_BROWSE_NO_MAIL_SOUND },
                   isChecked(page, IDC_ACT_PLAY_NO_MAIL_SOUND));
}

void activateSounds(HWND page, MailboxEntry& entry)
{
    setChecked(page, IDC_ACT_PLAY_MAIL_SOUND, entry.playSoundOnMail);
    setChecked(page, IDC_ACT_PLAY_NO_MAIL_SOUND, entry.playSoundOnNoMail);
    setTextIfPresent(page, IDC_ACT_MAIL_SOUND_FILE, entry.mailSoundFile);
    setTextIfPresent(page, IDC_ACT_NO_MAIL_SOUND_FILE, entry.noMailSoundFile);
    showTextEnd(page, IDC_ACT_MAIL_SOUND_FILE);
    showTextEnd(page, IDC_ACT_NO_MAIL_SOUND_FILE);
    enableSounds(page);
}

bool nextSounds(HWND page, MailboxEntry& entry)
{
    return storeMailSound(page, entry) && storeNoMailSound(page, entry);
}

void commandSounds(HWND page, WORD id, WORD code)
{
    if (code != BN_CLICKED)
        return;
    if (id == IDC_ACT_BROWSE_MAIL_SOUND)
        BrowseForFile(page, "WAV Sounds (*.wav)", "*.wav", "Select a .wav sound file", IDC_ACT_MAIL_SOUND_FILE);
    else if (id == IDC_ACT_BROWSE_NO_MAIL_SOUND)
        BrowseForFile(page, "WAV Sounds (*.wav)", "*.wav", "Select a .wav sound file", IDC_ACT_NO_MAIL_SOUND_FILE);
}

// Page 8: done. Finish stores nothing.
void activateDone(HWND, MailboxEntry&) {}
bool nextDone(HWND, MailboxEntry&) { return true; }

const DWORD nextOnly = PSWIZB_NEXT;
const DWORD backNext = PSWIZB_BACK | PSWIZB_NEXT;
const DWORD backFinish = PSWIZB_BACK | PSWIZB_FINISH;

} // namespace

const WizardPage wizardPages[wizardPageCount] = {
    { IDD_WIZ_NAME, nextOnly, nullptr, activateName, nextName, nullptr, nullptr, nullptr },
    { IDD_WIZ_SERVER, backNext, createServer, activateServer, nextServer, nullptr, nullptr, nullptr },
    { IDD_WIZ_CREDENTIALS, backNext, nullptr, activateCredentials, nextCredentials, nullptr, nullptr, nullptr },
    { IDD_WIZ_CONNECTION, backNext, createConnection, activateConnection, nextConnection, enableConnection, nullptr,
      nullptr },
    { IDD_WIZ_SCHEDULE, backNext, createSchedule, activateSchedule, nextSchedule, enableSchedule, nullptr, nullptr },
    { IDD_WIZ_SOUNDS, backNext, enableSounds, activateSounds, nextSounds, enableSounds, commandSounds, nullptr },
    { IDD_WIZ_CLIENT, backNext, createClientPage, activateClientPage, nextClientPage, enableClientPage,
      commandClientPage, destroyClientPage },
    { IDD_WIZ_DONE, backFinish, nullptr, activateDone, nextDone, nullptr, nullptr, nullptr },
};
