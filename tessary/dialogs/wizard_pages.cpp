// The wizard's pages: what each shows on activation and stores on Next, with the same rules and
// messages as the edit entry and actions dialogs. The first three live in wizard_account_pages.cpp.
#include "dialogs/wizard_page.h"
#include "dialogs/action_fields.h"
#include "dialogs/browse_for_file.h"
#include "dialogs/dialog_controls.h"
#include "dialogs/dialup_combo.h"
#include "dialogs/entry_fields.h"
#include "resources/resource.h"
#include <commctrl.h>

namespace {

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
    { IDD_WIZ_NAME, nextOnly, createNamePage, activateNamePage, nextNamePage, nullptr, nullptr, nullptr },
    { IDD_WIZ_SERVER, backNext, createServerPage, activateServerPage, nextServerPage, enableServerPage,
      commandServerPage, nullptr },
    { IDD_WIZ_CREDENTIALS, backNext, createCredentialsPage, activateCredentialsPage, nextCredentialsPage,
      enableCredentialsPage, commandCredentialsPage, nullptr },
    { IDD_WIZ_CONNECTION, backNext, createConnection, activateConnection, nextConnection, enableConnection, nullptr,
      nullptr },
    { IDD_WIZ_SCHEDULE, backNext, createSchedule, activateSchedule, nextSchedule, enableSchedule, nullptr, nullptr },
    { IDD_WIZ_SOUNDS, backNext, enableSounds, activateSounds, nextSounds, enableSounds, commandSounds, nullptr },
    { IDD_WIZ_CLIENT, backNext, createClientPage, activateClientPage, nextClientPage, enableClientPage,
      commandClientPage, destroyClientPage },
    { IDD_WIZ_DONE, backFinish, nullptr, activateDone, nextDone, nullptr, nullptr, nullptr },
};
