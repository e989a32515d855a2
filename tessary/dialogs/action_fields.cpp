// Field rules of the actions: flag first, then the text it needs.
#include "dialogs/action_fields.h"
#include "dialogs/dialog_controls.h"
#include "resources/resource.h"

namespace {

// An action with one file: its flag, then the file that must be given.
bool storeSound(HWND dialog, int checkId, int fileId, bool& flag, void (MailboxEntry::*setFile)(const char*),
                MailboxEntry& entry, const char* missing)
{
    if (!isChecked(dialog, checkId)) {
        flag = false;
        return true;
    }
    flag = true;
    char text[fieldTextSize];
    if (!readFieldText(dialog, fileId, text)) {
        showInvalidInput(dialog, missing);
        return false;
    }
    (entry.*setFile)(text);
    return true;
}

} // namespace

bool storeMailSound(HWND dialog, MailboxEntry& entry)
{
    return storeSound(dialog, IDC_ACT_PLAY_MAIL_SOUND, IDC_ACT_MAIL_SOUND_FILE, entry.playSoundOnMail,
                      &MailboxEntry::setMailSoundFile, entry, "You must choose a .wav file to play.");
}

bool storeNoMailSound(HWND dialog, MailboxEntry& entry)
{
    return storeSound(dialog, IDC_ACT_PLAY_NO_MAIL_SOUND, IDC_ACT_NO_MAIL_SOUND_FILE, entry.playSoundOnNoMail,
                      &MailboxEntry::setNoMailSoundFile, entry, "You must choose a .wav file to play for no email.");
}

bool storeMailProgram(HWND dialog, MailboxEntry& entry)
{
    if (!isChecked(dialog, IDC_ACT_RUN_MAIL_PROGRAM)) {
        entry.runMailProgram = false;
        return true;
    }
    entry.runMailProgram = true;
    char text[fieldTextSize];
    if (!readFieldText(dialog, IDC_ACT_MAIL_PROGRAM_PATH, text)) {
        showInvalidInput(dialog, "You must enter the pathname of an email application.");
        return false;
    }
    entry.setMailProgramPath(text);
    readFieldText(dialog, IDC_ACT_MAIL_PROGRAM_ARGS, text);
    entry.setMailProgramArgs(text); // empty parameters leave the field null
    return true;
}

bool storeShellCommand(HWND dialog, MailboxEntry& entry)
{
    if (!isChecked(dialog, IDC_ACT_RUN_SHELL_COMMAND)) {
        entry.runShellCommand = false;
        return true;
    }
    entry.runShellCommand = true;
    char text[fieldTextSize];
    if (!readFieldText(dialog, IDC_ACT_SHELL_COMMAND, text)) {
        showInvalidInput(dialog, "You must enter a shell command.");
        return false;
    }
    entry.setShellCommand(text);
    if (!readFieldText(dialog, IDC_ACT_SHELL_COMMAND_FILE, text)) {
        showInvalidInput(dialog, "You must enter the pathname of a file which the shell command will operate on.");
        return false;
    }
    entry.setShellCommandFile(text);
    return true;
}

bool StoreActionFields(HWND dialog, MailboxEntry& entry)
{
    return storeMailSound(dialog, entry) && storeMailProgram(dialog, entry) && storeShellCommand(dialog, entry) &&
           storeNoMailSound(dialog, entry);
}
