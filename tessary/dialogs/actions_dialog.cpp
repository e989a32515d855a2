// The actions dialog: fills the controls from the entry, keeps the enabling rules, browses for
// files and stores the actions on OK.
#include "dialogs/actions_dialog.h"
#include "dialogs/action_fields.h"
#include "dialogs/browse_for_file.h"
#include "dialogs/dialog_controls.h"
#include "platform/fatal_error.h"
#include "resources/resource.h"

namespace {

MailboxEntry* actionsEntry = nullptr; // the entry of the open dialog (it is modal: only one)

struct BrowseRow {
    int button;
    const char* description;
    const char* pattern;
    const char* title;
    int target;
};

const BrowseRow browseRows[] = {
    { IDC_ACT_BROWSE_MAIL_SOUND, "WAV Sounds (*.wav)", "*.wav", "Select a .wav sound file", IDC_ACT_MAIL_SOUND_FILE },
    { IDC_ACT_BROWSE_MAIL_PROGRAM, "Applications (*.exe)", "*.exe", "Select an email application",
      IDC_ACT_MAIL_PROGRAM_PATH },
    { IDC_ACT_BROWSE_SHELL_FILE, "All files (*.*)", "*.*", "Select a file", IDC_ACT_SHELL_COMMAND_FILE },
    { IDC_ACT_BROWSE_NO_MAIL_SOUND, "WAV Sounds (*.wav)", "*.wav", "Select a .wav sound file",
      IDC_ACT_NO_MAIL_SOUND_FILE },
};

const BrowseRow* browseRowOf(int id)
{
    for (const BrowseRow& row : browseRows)
        if (row.button == id)
            return &row;
    return nullptr;
}

INT_PTR onInitDialog(HWND dialog, LPARAM parameter)
{
    actionsEntry = reinterpret_cast<MailboxEntry*>(parameter);
    if (!actionsEntry) {
        FatalError("No ptr passed for SetActDlg");
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    const MailboxEntry& e = *actionsEntry;
    setChecked(dialog, IDC_ACT_PLAY_MAIL_SOUND, e.playSoundOnMail);
    setChecked(dialog, IDC_ACT_RUN_MAIL_PROGRAM, e.runMailProgram);
    setChecked(dialog, IDC_ACT_RUN_SHELL_COMMAND, e.runShellCommand);
    setChecked(dialog, IDC_ACT_PLAY_NO_MAIL_SOUND, e.playSoundOnNoMail);
    setChecked(dialog, IDC_ACT_MUTE, e.mute);
    setChecked(dialog, IDC_ACT_SHOW_NOTIFICATION, e.showNotification);
    setTextIfPresent(dialog, IDC_ACT_MAIL_SOUND_FILE, e.mailSoundFile);
    setTextIfPresent(dialog, IDC_ACT_MAIL_PROGRAM_PATH, e.mailProgramPath);
    setTextIfPresent(dialog, IDC_ACT_MAIL_PROGRAM_ARGS, e.mailProgramArgs);
    setTextIfPresent(dialog, IDC_ACT_SHELL_COMMAND, e.shellCommand);
    setTextIfPresent(dialog, IDC_ACT_SHELL_COMMAND_FILE, e.shellCommandFile);
    setTextIfPresent(dialog, IDC_ACT_NO_MAIL_SOUND_FILE, e.noMailSoundFile);
    for (int id : { IDC_ACT_MAIL_SOUND_FILE, IDC_ACT_MAIL_PROGRAM_PATH, IDC_ACT_SHELL_COMMAND_FILE,
                    IDC_ACT_NO_MAIL_SOUND_FILE })
        showTextEnd(dialog, id);
    UpdateActionControls(dialog);
    return TRUE;
}

INT_PTR onCommand(HWND dialog, WORD id, WORD code)
{
    if (const BrowseRow* row = browseRowOf(id)) {
        BrowseForFile(dialog, row->description, row->pattern, row->title, row->target);
        return TRUE;
    }
    switch (id) {
    case IDOK:
        if (actionsEntry && StoreActionFields(dialog, *actionsEntry)) {
            actionsEntry->mute = isChecked(dialog, IDC_ACT_MUTE);
            actionsEntry->showNotification = isChecked(dialog, IDC_ACT_SHOW_NOTIFICATION);
            EndDialog(dialog, IDOK);
        }
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case IDC_ACT_HELP:
        showHelpTopic("Tessary.chm::/mailbox.htm");
        return TRUE;
    }
    if (code == BN_CLICKED)
        UpdateActionControls(dialog);
    return FALSE;
}

} // namespace

void UpdateActionControls(HWND dialog)
{
    enableControls(dialog, { IDC_ACT_MAIL_SOUND_FILE, IDC_ACT_BROWSE_MAIL_SOUND },
                   isChecked(dialog, IDC_ACT_PLAY_MAIL_SOUND));
    enableControls(dialog, { IDC_ACT_MAIL_PROGRAM_PATH, IDC_ACT_MAIL_PROGRAM_ARGS, IDC_ACT_BROWSE_MAIL_PROGRAM },
                   isChecked(dialog, IDC_ACT_RUN_MAIL_PROGRAM));
    enableControls(dialog, { IDC_ACT_SHELL_COMMAND, IDC_ACT_SHELL_COMMAND_FILE, IDC_ACT_BROWSE_SHELL_FILE },
                   isChecked(dialog, IDC_ACT_RUN_SHELL_COMMAND));
    enableControls(dialog, { IDC_ACT_NO_MAIL_SOUND_FILE, IDC_ACT_BROWSE_NO_MAIL_SOUND },
                   isChecked(dialog, IDC_ACT_PLAY_NO_MAIL_SOUND));
}

INT_PTR CALLBACK SetActDlg(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog, lParam);
    case WM_COMMAND:
        return onCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_CLOSE:
        // The close box is taken as Cancel: nothing is stored.
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case WM_DESTROY:
        actionsEntry = nullptr;
        return FALSE;
    }
    return FALSE;
}

INT_PTR OpenActionsDialog(HWND owner, MailboxEntry* entry)
{
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ACTIONS), owner, SetActDlg,
                           reinterpret_cast<LPARAM>(entry));
}
