// The actions dialog on its real template: each rule with its message, flags stored before their
// texts are checked, unchecked actions keeping their strings, the browse buttons.
#include "dialog_test.h"
#include "dialogs/actions_dialog.h"
#include "resources/resource.h"

namespace {

const char* const caption = "Set actions to be taken";
const std::string invalid = "Tessary: Invalid input: ";

class ActionsDialog : public DialogTest {
protected:
    MailboxEntry entry;

    INT_PTR run(std::function<void(HWND)> step)
    {
        ModalScript script;
        script.on(caption, step);
        INT_PTR result = OpenActionsDialog(nullptr, &entry);
        EXPECT_TRUE(script.finished()) << script.stuckCaption;
        return result;
    }
    // Changes the controls, presses OK, cancels when the dialog stayed open; the refusal or "".
    std::string okWith(std::function<void(HWND)> change)
    {
        size_t boxes = ui.boxes.size();
        run([&](HWND dialog) {
            change(dialog);
            click(dialog, IDOK);
            if (IsWindowVisible(dialog))
                click(dialog, IDCANCEL);
        });
        if (ui.boxes.size() == boxes)
            return "";
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), ui.boxes.back().type);
        return ui.boxes.back().caption + ": " + ui.boxes.back().text;
    }
};

TEST_F(ActionsDialog, EachActionNeedsItsTextAndKeepsItsFlagWhenRefused)
{
    EXPECT_EQ(invalid + "You must choose a .wav file to play.",
              okWith([](HWND dialog) { click(dialog, IDC_ACT_PLAY_MAIL_SOUND); }));
    EXPECT_TRUE(entry.playSoundOnMail); // already stored, although the dialog was then cancelled

    entry.playSoundOnMail = false;
    EXPECT_EQ(invalid + "You must enter the pathname of an email application.",
              okWith([](HWND dialog) { click(dialog, IDC_ACT_RUN_MAIL_PROGRAM); }));
    EXPECT_TRUE(entry.runMailProgram);

    entry.runMailProgram = false;
    EXPECT_EQ(invalid + "You must enter a shell command.",
              okWith([](HWND dialog) { click(dialog, IDC_ACT_RUN_SHELL_COMMAND); }));
    EXPECT_TRUE(entry.runShellCommand);

    entry.runShellCommand = false;
    EXPECT_EQ(invalid + "You must enter the pathname of a file which the shell command will operate on.",
              okWith([](HWND dialog) {
                  click(dialog, IDC_ACT_RUN_SHELL_COMMAND);
                  setItemText(dialog, IDC_ACT_SHELL_COMMAND, "print");
              }));
    EXPECT_STREQ("print", entry.shellCommand);
    EXPECT_EQ(nullptr, entry.shellCommandFile);

    entry.runShellCommand = false;
    EXPECT_EQ(invalid + "You must choose a .wav file to play for no email.",
              okWith([](HWND dialog) { click(dialog, IDC_ACT_PLAY_NO_MAIL_SOUND); }));
    EXPECT_TRUE(entry.playSoundOnNoMail);
}

TEST_F(ActionsDialog, ARefusalLeavesTheEarlierActionsStored)
{
    EXPECT_EQ(invalid + "You must enter a shell command.", okWith([](HWND dialog) {
                  click(dialog, IDC_ACT_RUN_MAIL_PROGRAM);
                  setItemText(dialog, IDC_ACT_MAIL_PROGRAM_PATH, "C:\\mail.exe");
                  setItemText(dialog, IDC_ACT_MAIL_PROGRAM_ARGS, "-check");
                  click(dialog, IDC_ACT_RUN_SHELL_COMMAND);
                  click(dialog, IDC_ACT_PLAY_NO_MAIL_SOUND);
              }));
    EXPECT_TRUE(entry.runMailProgram);
    EXPECT_STREQ("C:\\mail.exe", entry.mailProgramPath);
    EXPECT_STREQ("-check", entry.mailProgramArgs);
    EXPECT_FALSE(entry.playSoundOnNoMail); // after the refusal: not reached
}

TEST_F(ActionsDialog, EverythingGivenIsStoredAndEmptyParametersBecomeNull)
{
    entry.setMailProgramArgs("old");
    EXPECT_EQ(IDOK, run([](HWND dialog) {
        click(dialog, IDC_ACT_PLAY_MAIL_SOUND);
        setItemText(dialog, IDC_ACT_MAIL_SOUND_FILE, "C:\\mail.wav");
        click(dialog, IDC_ACT_RUN_MAIL_PROGRAM);
        setItemText(dialog, IDC_ACT_MAIL_PROGRAM_PATH, "C:\\mail.exe");
        setItemText(dialog, IDC_ACT_MAIL_PROGRAM_ARGS, "");
        click(dialog, IDC_ACT_RUN_SHELL_COMMAND);
        setItemText(dialog, IDC_ACT_SHELL_COMMAND, "print");
        setItemText(dialog, IDC_ACT_SHELL_COMMAND_FILE, "C:\\list.txt");
        click(dialog, IDC_ACT_PLAY_NO_MAIL_SOUND);
        setItemText(dialog, IDC_ACT_NO_MAIL_SOUND_FILE, "C:\\none.wav");
        click(dialog, IDOK);
    }));
    EXPECT_TRUE(entry.playSoundOnMail && entry.runMailProgram && entry.runShellCommand && entry.playSoundOnNoMail);
    EXPECT_STREQ("C:\\mail.wav", entry.mailSoundFile);
    EXPECT_STREQ("C:\\mail.exe", entry.mailProgramPath);
    EXPECT_EQ(nullptr, entry.mailProgramArgs);
    EXPECT_STREQ("print", entry.shellCommand);
    EXPECT_STREQ("C:\\list.txt", entry.shellCommandFile);
    EXPECT_STREQ("C:\\none.wav", entry.noMailSoundFile);
}

TEST_F(ActionsDialog, UncheckedActionsKeepTheirStrings)
{
    entry.playSoundOnMail = entry.runMailProgram = entry.runShellCommand = entry.playSoundOnNoMail = true;
    entry.setMailSoundFile("a.wav");
    entry.setMailProgramPath("m.exe");
    entry.setMailProgramArgs("-x");
    entry.setShellCommand("open");
    entry.setShellCommandFile("f.txt");
    entry.setNoMailSoundFile("b.wav");
    files.answers = { "C:\\new.wav" };
    EXPECT_EQ("", okWith([](HWND dialog) {
                  EXPECT_EQ("a.wav", itemText(dialog, IDC_ACT_MAIL_SOUND_FILE));
                  // Long paths show their ends: the caret stands after the last character.
                  DWORD end = 0;
                  SendDlgItemMessageA(dialog, IDC_ACT_SHELL_COMMAND_FILE, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
                  EXPECT_EQ(5u, end);
                  EXPECT_EQ("-x", itemText(dialog, IDC_ACT_MAIL_PROGRAM_ARGS));
                  EXPECT_EQ("f.txt", itemText(dialog, IDC_ACT_SHELL_COMMAND_FILE));
                  click(dialog, IDC_ACT_BROWSE_MAIL_SOUND);
                  EXPECT_EQ("C:\\new.wav", itemText(dialog, IDC_ACT_MAIL_SOUND_FILE));
                  for (int id : { IDC_ACT_PLAY_MAIL_SOUND, IDC_ACT_RUN_MAIL_PROGRAM, IDC_ACT_RUN_SHELL_COMMAND,
                                  IDC_ACT_PLAY_NO_MAIL_SOUND })
                      click(dialog, id);
              }));
    EXPECT_FALSE(entry.playSoundOnMail || entry.runMailProgram || entry.runShellCommand || entry.playSoundOnNoMail);
    EXPECT_STREQ("a.wav", entry.mailSoundFile); // the newly chosen sound was not taken
    EXPECT_STREQ("m.exe", entry.mailProgramPath);
    EXPECT_STREQ("-x", entry.mailProgramArgs);
    EXPECT_STREQ("open", entry.shellCommand);
    EXPECT_STREQ("f.txt", entry.shellCommandFile);
    EXPECT_STREQ("b.wav", entry.noMailSoundFile);
}

TEST_F(ActionsDialog, EachActionsFieldsFollowItsCheckBox)
{
    run([](HWND dialog) {
        const std::vector<std::pair<int, std::vector<int>>> groups = {
            { IDC_ACT_PLAY_MAIL_SOUND, { IDC_ACT_MAIL_SOUND_FILE, IDC_ACT_BROWSE_MAIL_SOUND } },
            { IDC_ACT_RUN_MAIL_PROGRAM,
              { IDC_ACT_MAIL_PROGRAM_PATH, IDC_ACT_MAIL_PROGRAM_ARGS, IDC_ACT_BROWSE_MAIL_PROGRAM } },
            { IDC_ACT_RUN_SHELL_COMMAND, { IDC_ACT_SHELL_COMMAND, IDC_ACT_SHELL_COMMAND_FILE, IDC_ACT_BROWSE_SHELL_FILE } },
            { IDC_ACT_PLAY_NO_MAIL_SOUND, { IDC_ACT_NO_MAIL_SOUND_FILE, IDC_ACT_BROWSE_NO_MAIL_SOUND } },
        };
        for (const auto& group : groups) {
            for (int id : group.second)
                EXPECT_FALSE(itemEnabled(dialog, id)) << id;
            click(dialog, group.first);
            for (const auto& other : groups)
                for (int id : other.second)
                    EXPECT_EQ(&other == &group, itemEnabled(dialog, id)) << id;
            click(dialog, group.first);
        }
        click(dialog, IDC_ACT_HELP);
        click(dialog, IDCANCEL);
    });
    EXPECT_EQ(std::vector<std::string>{ "Tessary.chm::/mailbox.htm" }, ui.helpTopics);
}

TEST_F(ActionsDialog, TheCloseBoxCountsAsCancel)
{
    entry.runMailProgram = true;
    entry.setMailProgramPath("C:\\mail.exe");
    INT_PTR result = run([](HWND dialog) {
        // Changes that OK would store, and one that OK would refuse.
        click(dialog, IDC_ACT_RUN_MAIL_PROGRAM);
        click(dialog, IDC_ACT_RUN_SHELL_COMMAND);
        setItemText(dialog, IDC_ACT_SHELL_COMMAND, "print");
        click(dialog, IDC_ACT_PLAY_MAIL_SOUND);
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_TRUE(ui.boxes.empty()); // no rule ran
    EXPECT_TRUE(entry.runMailProgram);
    EXPECT_STREQ("C:\\mail.exe", entry.mailProgramPath);
    EXPECT_FALSE(entry.runShellCommand);
    EXPECT_EQ(nullptr, entry.shellCommand);
    EXPECT_FALSE(entry.playSoundOnMail);
}

// The box shows the entry's mute, OK stores it either way, and a refused OK or Cancel leaves it.
TEST_F(ActionsDialog, MuteThisAccountIsShownAndStoredOnOk)
{
    EXPECT_EQ("", okWith([](HWND dialog) {
        EXPECT_EQ(BST_UNCHECKED, SendDlgItemMessageA(dialog, IDC_ACT_MUTE, BM_GETCHECK, 0, 0));
        click(dialog, IDC_ACT_MUTE);
    }));
    EXPECT_TRUE(entry.mute);
    EXPECT_EQ("", okWith([](HWND dialog) {
        EXPECT_EQ(BST_CHECKED, SendDlgItemMessageA(dialog, IDC_ACT_MUTE, BM_GETCHECK, 0, 0));
        click(dialog, IDC_ACT_MUTE);
    }));
    EXPECT_FALSE(entry.mute);

    EXPECT_NE("", okWith([](HWND dialog) {
        click(dialog, IDC_ACT_MUTE);
        click(dialog, IDC_ACT_RUN_MAIL_PROGRAM); // no program named: refused
    }));
    EXPECT_FALSE(entry.mute);
}

// "Show a notification" starts checked for a new entry, OK stores it either way, Cancel leaves it.
TEST_F(ActionsDialog, ShowANotificationIsShownAndStoredOnOk)
{
    ASSERT_TRUE(entry.showNotification);
    EXPECT_EQ("", okWith([](HWND dialog) {
        EXPECT_EQ(BST_CHECKED, SendDlgItemMessageA(dialog, IDC_ACT_SHOW_NOTIFICATION, BM_GETCHECK, 0, 0));
        click(dialog, IDC_ACT_SHOW_NOTIFICATION);
    }));
    EXPECT_FALSE(entry.showNotification);
    EXPECT_FALSE(entry.mute); // a box of its own
    run([](HWND dialog) {
        EXPECT_EQ(BST_UNCHECKED, SendDlgItemMessageA(dialog, IDC_ACT_SHOW_NOTIFICATION, BM_GETCHECK, 0, 0));
        click(dialog, IDC_ACT_SHOW_NOTIFICATION);
        click(dialog, IDCANCEL);
    });
    EXPECT_FALSE(entry.showNotification);
    EXPECT_EQ("", okWith([](HWND dialog) { click(dialog, IDC_ACT_SHOW_NOTIFICATION); }));
    EXPECT_TRUE(entry.showNotification);
}

TEST_F(ActionsDialog, BrowseButtonsOfferTheirFilesInTheOriginalRecord)
{
    files.answers = { "C:\\snd\\ding.wav", "C:\\apps\\mail.exe", "", "C:\\docs\\list.txt", "C:\\snd\\none.wav" };
    HWND shown = nullptr;
    run([&](HWND dialog) {
        shown = dialog;
        for (int id : { IDC_ACT_PLAY_MAIL_SOUND, IDC_ACT_RUN_MAIL_PROGRAM, IDC_ACT_RUN_SHELL_COMMAND,
                        IDC_ACT_PLAY_NO_MAIL_SOUND })
            click(dialog, id);
        setItemText(dialog, IDC_ACT_SHELL_COMMAND_FILE, "kept.txt");
        click(dialog, IDC_ACT_BROWSE_MAIL_SOUND);
        click(dialog, IDC_ACT_BROWSE_MAIL_PROGRAM);
        click(dialog, IDC_ACT_BROWSE_SHELL_FILE); // cancelled
        EXPECT_EQ("kept.txt", itemText(dialog, IDC_ACT_SHELL_COMMAND_FILE));
        click(dialog, IDC_ACT_BROWSE_SHELL_FILE);
        click(dialog, IDC_ACT_BROWSE_NO_MAIL_SOUND);
        EXPECT_EQ("C:\\snd\\ding.wav", itemText(dialog, IDC_ACT_MAIL_SOUND_FILE));
        EXPECT_EQ("C:\\apps\\mail.exe", itemText(dialog, IDC_ACT_MAIL_PROGRAM_PATH));
        EXPECT_EQ("C:\\docs\\list.txt", itemText(dialog, IDC_ACT_SHELL_COMMAND_FILE));
        EXPECT_EQ("C:\\snd\\none.wav", itemText(dialog, IDC_ACT_NO_MAIL_SOUND_FILE));
        click(dialog, IDCANCEL);
    });
    ASSERT_EQ(5u, files.calls.size());
    const char* filters[] = { "WAV Sounds (*.wav)|*.wav", "Applications (*.exe)|*.exe", "All files (*.*)|*.*",
                              "All files (*.*)|*.*", "WAV Sounds (*.wav)|*.wav" };
    const char* titles[] = { "Select a .wav sound file", "Select an email application", "Select a file",
                             "Select a file", "Select a .wav sound file" };
    for (size_t i = 0; i < files.calls.size(); ++i) {
        const RecordedOpenFile& call = files.calls[i];
        EXPECT_EQ(shown, call.owner);
        EXPECT_EQ(static_cast<DWORD>(OPENFILENAME_SIZE_VERSION_400A), call.structSize);
        EXPECT_EQ(filters[i], call.filter);
        EXPECT_EQ(titles[i], call.title);
        EXPECT_EQ(0u, call.filterIndex);
        EXPECT_EQ("", call.initialFile); // the field's text is not offered
        EXPECT_EQ(1023u, call.maxFile);
        EXPECT_FALSE(call.initialFolder);
        EXPECT_EQ(static_cast<DWORD>(OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST), call.flags);
    }
    // Cancelled: nothing stored, nothing changed.
    EXPECT_FALSE(entry.playSoundOnMail);
    EXPECT_EQ(nullptr, entry.mailSoundFile);
}

TEST_F(ActionsDialog, WithoutAnEntryItIsFatal)
{
    EXPECT_EQ(IDCANCEL, OpenActionsDialog(nullptr, nullptr));
    EXPECT_EQ("Tessary Fatal Error: No ptr passed for SetActDlg", lastBox());
}

} // namespace
