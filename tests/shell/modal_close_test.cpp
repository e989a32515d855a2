// Closing the program while one of the main window's modal dialogs is open: the close waits until
// the dialog has ended and the command that opened it has finished with the window.
#include <gtest/gtest.h>
#include "support/entry_headers.h"
#include "support/main_window_harness.h"
#include "support/modal_script.h"
#include "support/seam_override.h"
#include "shell/main_window.h"
#include "platform/fatal_error.h"
#include "resources/resource.h"
#include <atomic>
#include <cstring>
#include <thread>

namespace {

class CloseWhileModal : public ::testing::Test {
protected:
    MainWindowHarness h;

    void SetUp() override
    {
        h.writeOneIdleEntry();
        ASSERT_NE(nullptr, h.open());
        ASSERT_TRUE(h.selectRow(0));
    }
    void TearDown() override
    {
        drainQuitMessage();
        fatalErrorRaised = false;
    }

    void command(WORD id) { h.command(id); }
    // "Close Tessary" from the tray menu: the menu posts its command to the window.
    void postTrayClose() { PostMessageA(h.window(), WM_COMMAND, MAKEWPARAM(IDM_CLOSE, 0), 0); }
    bool windowClosesAfterwards() { return h.pumpUntil([&] { return !IsWindow(h.window()); }, 3000); }
};

TEST_F(CloseWhileModal, TrayCloseDuringTheSettingsDialogWaitsUntilTheSettingsAreAppliedAndSaved)
{
    bool stillOpen = false;
    ModalScript script;
    script.on("Tessary Settings", [&](HWND) { postTrayClose(); })
        .on("Tessary Settings", [&](HWND dialog) {
            stillOpen = IsWindow(h.window()) && IsWindowVisible(dialog);
            setItemText(dialog, IDC_SET_SERVER_TIMEOUT, "33");
            click(dialog, IDOK);
        });
    command(IDM_SETTINGS);
    EXPECT_TRUE(script.finished()) << script.stuckCaption;
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(33, app.settings.serverTimeoutSeconds);
    ASSERT_TRUE(windowClosesAfterwards());
    Settings saved = {};
    ASSERT_TRUE(loadSettings(h.folder.file("Tessary.dat").c_str(), settingsMagic, &saved, sizeof saved));
    EXPECT_EQ(33, saved.serverTimeoutSeconds);
    EXPECT_TRUE(h.ui.boxes.empty());
}

TEST_F(CloseWhileModal, CloseFromAnotherProgramDuringNestedEntryDialogsWaitsForBoth)
{
    std::atomic<bool> sent{ false };
    std::thread outside;
    bool openUnderActions = false, openUnderEntry = false;
    ModalScript script;
    script.on("Edit mailbox entry", [&](HWND dialog) {
              setItemText(dialog, IDC_EMB_NAME, "renamed");
              click(dialog, IDC_EMB_SET_ACTIONS); // the actions dialog runs inside this click
          })
        .on("Set actions to be taken", [&](HWND) {
            HWND main = h.window();
            outside = std::thread([main, &sent] {
                SendMessageA(main, WM_CLOSE, 0, 0);
                sent = true;
            });
        })
        .on("Set actions to be taken", [&](HWND actions) {
            // The close was handled (the sender got its answer) and the window is still there.
            MSG message;
            for (int wait = 0; wait < 200 && !sent; ++wait) {
                PeekMessageA(&message, nullptr, WM_NULL, WM_NULL, PM_NOREMOVE); // takes sent messages
                Sleep(10);
            }
            openUnderActions = sent && IsWindow(h.window());
            click(actions, IDC_ACT_PLAY_MAIL_SOUND);
            setItemText(actions, IDC_ACT_MAIL_SOUND_FILE, "ding.wav");
            click(actions, IDOK);
        })
        .on("Edit mailbox entry", [&](HWND dialog) {
            openUnderEntry = IsWindow(h.window());
            click(dialog, IDOK);
        });
    command(IDM_EDIT);
    if (outside.joinable())
        outside.join();
    EXPECT_TRUE(script.finished()) << script.stuckCaption;
    EXPECT_TRUE(openUnderActions);
    EXPECT_TRUE(openUnderEntry);
    ASSERT_TRUE(windowClosesAfterwards());
    EntryList saved;
    ASSERT_TRUE(saved.load(h.folder.file("default.tsl").c_str()));
    ASSERT_NE(nullptr, saved.head);
    EXPECT_STREQ("renamed", saved.head->name);
    EXPECT_TRUE(saved.head->playSoundOnMail);
    EXPECT_STREQ("ding.wav", saved.head->mailSoundFile);
}

TEST_F(CloseWhileModal, AMessageBoxHoldsTheCloseUntilItIsAnswered)
{
    SeamOverride<decltype(uiCalls.MessageBoxA)> realBoxes(uiCalls.MessageBoxA, ::MessageBoxA);
    bool stillOpen = false;
    ModalScript script;
    script.on("Remove account entry", [&](HWND) { postTrayClose(); })
        .on("Remove account entry", [&](HWND box) {
            stillOpen = IsWindow(h.window()) != FALSE;
            SendMessageA(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        });
    command(IDM_REMOVE);
    EXPECT_TRUE(script.finished()) << script.stuckCaption;
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(0, app.entries.count); // the answer was carried out on the live window
    ASSERT_TRUE(windowClosesAfterwards());
    EntryList saved;
    EXPECT_TRUE(saved.load(h.folder.file("default.tsl").c_str()));
    EXPECT_EQ(0, saved.count);
}

// The other modal dialogs of the window: each holds the close until it is ended.
TEST(CloseWhileModalDialogs, TheWizardTheHeaderViewerAndTheAboutBoxHoldTheCloseToo)
{
    struct Case {
        WORD command;
        const char* caption;
        std::function<void(HWND)> end;
    };
    const Case cases[] = {
        { IDM_ADD_WIZARD, "Add Account Step 1",
          [](HWND sheet) { SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); } },
        { IDM_SHOW_HEADERS, "Message Header(s)", [](HWND dialog) { click(dialog, IDCANCEL); } },
        { IDM_ABOUT, "About Tessary", [](HWND dialog) { click(dialog, IDOK); } },
    };
    for (const Case& c : cases) {
        MainWindowHarness h;
        h.writeOneIdleEntry();
        ASSERT_NE(nullptr, h.open());
        MailboxEntry* first = h.entry(0);
        giveHeaders(*first, { "Subject: hello\r\n\r\n" });
        first->lastResult = 1;
        h.selectRow(0);
        bool stillOpen = false;
        ModalScript script;
        script.on(c.caption, [&](HWND) { PostMessageA(h.window(), WM_CLOSE, 0, 0); })
            .on(c.caption, [&](HWND dialog) {
                stillOpen = IsWindow(h.window()) != FALSE;
                c.end(dialog);
            });
        h.command(c.command);
        EXPECT_TRUE(script.finished()) << c.caption << " " << script.stuckCaption;
        EXPECT_TRUE(stillOpen) << c.caption;
        EXPECT_TRUE(h.pumpUntil([&] { return !IsWindow(h.window()); }, 3000)) << c.caption;
        drainQuitMessage();
    }
}

TEST_F(CloseWhileModal, TheEndOfTheSessionSavesTheAppliedSettingsAndLeavesTheDialogRunning)
{
    Settings applied = app.settings;
    bool stillOpen = false;
    ModalScript script;
    script.on("Tessary Settings", [&](HWND dialog) {
              setItemText(dialog, IDC_SET_SERVER_TIMEOUT, "77"); // not confirmed yet
              SendMessageA(h.window(), WM_ENDSESSION, TRUE, 0);
          })
        .on("Tessary Settings", [&](HWND dialog) {
            stillOpen = IsWindow(h.window()) != FALSE;
            click(dialog, IDCANCEL);
        });
    command(IDM_SETTINGS);
    EXPECT_TRUE(script.finished()) << script.stuckCaption;
    EXPECT_TRUE(stillOpen);
    Settings saved = {};
    ASSERT_TRUE(loadSettings(h.folder.file("Tessary.dat").c_str(), settingsMagic, &saved, sizeof saved));
    EXPECT_EQ(applied.serverTimeoutSeconds, saved.serverTimeoutSeconds);
    h.pump(200);
    EXPECT_TRUE(IsWindow(h.window())); // the end of the session closes nothing
}

TEST_F(CloseWhileModal, AFatalErrorDuringADialogShowsOneBoxEndsTheDialogAndSavesTheList)
{
    std::string listBytes = readWholeFile(h.folder.file("default.tsl"));
    DeleteFileA(h.folder.file("default.tsl").c_str());
    ModalScript script;
    script.on("Tessary Settings", [&](HWND) { FatalError("Could not create popup menu!"); });
    command(IDM_SETTINGS); // returns once the quit message has ended the dialog
    EXPECT_FALSE(script.stuck()) << script.stuckCaption;
    EXPECT_TRUE(fatalErrorRaised);
    // What the entry point does after its message loop has ended.
    h.pump(100);
    DestroyMainWindowLeftOpen();
    EXPECT_FALSE(IsWindow(h.window()));
    ASSERT_EQ(1u, h.ui.boxes.size());
    EXPECT_EQ("Could not create popup menu!", h.ui.boxes[0].text);
    EXPECT_EQ(listBytes, readWholeFile(h.folder.file("default.tsl")));
}

} // namespace
