// The main window's dialog commands, on the real main window: what each does with its dialog's
// result, and what it saves.
#include <gtest/gtest.h>
#include "support/entry_headers.h"
#include "support/main_window_harness.h"
#include "support/modal_script.h"
#include "support/standin_worker.h"
#include "mailcheck/session_limits.h"
#include "resources/resource.h"
#include <cstring>

namespace {

void fillEntry(HWND dialog, const char* name)
{
    setItemText(dialog, IDC_EMB_NAME, name);
    setItemText(dialog, IDC_EMB_SERVER, "pop.example.com");
    setItemText(dialog, IDC_EMB_USER, "joe");
    setItemText(dialog, IDC_EMB_PASSWORD, "pw");
}

class DialogCommands : public ::testing::Test {
protected:
    MainWindowHarness h;

    void SetUp() override
    {
        h.writeOneIdleEntry();
        ASSERT_NE(nullptr, h.open());
    }
    void TearDown() override { drainQuitMessage(); }

    void command(WORD id) { h.command(id); }
    // Runs the command with one step for the dialog it should open; false when none opened.
    bool commandWith(WORD id, const std::string& caption, std::function<void(HWND)> step)
    {
        bool opened = false;
        ModalScript script;
        script.on(caption, [&](HWND dialog) {
            opened = true;
            EXPECT_EQ(h.window(), GetWindow(dialog, GW_OWNER));
            step(dialog);
        });
        command(id);
        EXPECT_FALSE(script.stuck()) << script.stuckCaption;
        return opened;
    }
    // Adds "wizard" on pop.example.com through every page of the wizard and Finish; atServerPage
    // runs with the server page when it is shown.
    bool addThroughTheWizard(const std::function<void(HWND)>& atServerPage = [](HWND) {})
    {
        return commandWith(IDM_ADD_WIZARD, "Add Account Step 1", [&](HWND sheet) {
            auto page = [sheet] { return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)); };
            auto next = [sheet] { SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0); };
            setItemText(page(), IDC_WIZ_NAME, "wizard");
            next();
            atServerPage(page());
            setItemText(page(), IDC_WIZ_SERVER, "pop.example.com");
            next();
            setItemText(page(), IDC_WIZ_USER, "joe");
            setItemText(page(), IDC_WIZ_PASSWORD, "pw");
            for (int i = 0; i < 5; ++i)
                next();
            SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
        });
    }
    std::vector<std::string> savedNames() const
    {
        EntryList saved;
        saved.load(h.folder.file("default.tsl").c_str());
        std::vector<std::string> names;
        for (MailboxEntry* e = saved.head; e; e = e->next)
            names.push_back(e->name ? e->name : "(null)");
        return names;
    }
    std::string lastBox() const { return h.ui.boxes.empty() ? "" : h.ui.boxes.back().caption + ": " + h.ui.boxes.back().text; }
};

TEST_F(DialogCommands, AddNewAppendsAndSavesOnOkOnly)
{
    EXPECT_TRUE(commandWith(IDM_ADD_NEW, "Add new mailbox entry", [](HWND dialog) {
        fillEntry(dialog, "second");
        click(dialog, IDCANCEL);
    }));
    EXPECT_TRUE(commandWith(IDM_ADD_NEW, "Add new mailbox entry", [](HWND dialog) {
        fillEntry(dialog, "closed");
        SendMessageA(dialog, WM_CLOSE, 0, 0);
    }));
    EXPECT_EQ(1, app.entries.count);
    EXPECT_EQ(1, h.rowCount());

    EXPECT_TRUE(commandWith(IDM_ADD_NEW, "Add new mailbox entry", [](HWND dialog) {
        fillEntry(dialog, "second");
        click(dialog, IDOK);
    }));
    ASSERT_EQ(2, app.entries.count);
    EXPECT_STREQ("second", h.entry(1)->name);
    EXPECT_EQ(2, h.rowCount());
    EXPECT_EQ((std::vector<std::string>{ "first", "second" }), savedNames());
}

TEST_F(DialogCommands, ANewEntryAsksForTlsOnTheDefaultPortAndAnnouncesOnlyNewMessages)
{
    EXPECT_TRUE(commandWith(IDM_ADD_NEW, "Add new mailbox entry", [](HWND dialog) {
        EXPECT_EQ("SSL/TLS", comboSelection(dialog, IDC_EMB_SECURITY));
        EXPECT_EQ("", itemText(dialog, IDC_EMB_PORT));
        EXPECT_EQ("", itemText(dialog, IDC_EMB_TRUSTED_CERTIFICATE));
        EXPECT_TRUE(itemChecked(dialog, IDC_EMB_ANNOUNCE_NEW_ONLY));
        fillEntry(dialog, "second");
        click(dialog, IDOK);
    }));
    ASSERT_EQ(2, app.entries.count);
    MailboxEntry* added = h.entry(1);
    EXPECT_EQ(SecuritySslTls, added->security);
    EXPECT_EQ(0, added->port);
    EXPECT_EQ(nullptr, added->trustedCertificate);
    EXPECT_TRUE(added->announceNewOnly);
    EXPECT_EQ(WaitForConnection, added->connectionMode); // the rest as any entry starts

    bool secureBoxChecked = false;
    EXPECT_TRUE(addThroughTheWizard([&](HWND serverPage) { secureBoxChecked = itemChecked(serverPage, IDC_WIZ_SECURE); }));
    EXPECT_TRUE(secureBoxChecked);
    ASSERT_EQ(3, app.entries.count);
    MailboxEntry* made = h.entry(2);
    EXPECT_STREQ("wizard", made->name);
    EXPECT_EQ(SecuritySslTls, made->security);
    EXPECT_EQ(0, made->port);
    EXPECT_TRUE(made->announceNewOnly);
}

TEST_F(DialogCommands, EditCopiesBackOnOkAndStopsTheRunningCheck)
{
    command(IDM_EDIT);
    EXPECT_EQ("Tessary: You must select an entry to edit.", lastBox());
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), h.ui.boxes.back().type);

    MailboxEntry* first = h.entry(0);
    ASSERT_TRUE(h.selectRow(0));
    startStandInWorker(*first, StandInBehaviour::EndsOnStop);
    HANDLE thread = first->workerThread;

    // Cancel leaves the entry and its check alone.
    EXPECT_TRUE(commandWith(IDM_EDIT, "Edit mailbox entry", [](HWND dialog) {
        EXPECT_EQ("first", itemText(dialog, IDC_EMB_NAME));
        setItemText(dialog, IDC_EMB_NAME, "renamed");
        click(dialog, IDCANCEL);
    }));
    EXPECT_STREQ("first", first->name);
    EXPECT_TRUE(first->isCheckRunning());
    EXPECT_TRUE(threadRuns(thread));

    // What the entry has is what the dialog shows and keeps, not a new entry's choices.
    first->setSecurity(SecurityStls);
    first->setPort(2110);
    first->setTrustedCertificate(std::string(64, 'A').c_str());
    EXPECT_TRUE(commandWith(IDM_EDIT, "Edit mailbox entry", [](HWND dialog) {
        EXPECT_EQ("STLS", comboSelection(dialog, IDC_EMB_SECURITY));
        EXPECT_EQ("2110", itemText(dialog, IDC_EMB_PORT));
        EXPECT_FALSE(itemChecked(dialog, IDC_EMB_ANNOUNCE_NEW_ONLY));
        setItemText(dialog, IDC_EMB_NAME, "renamed");
        click(dialog, IDOK);
    }));
    EXPECT_EQ(first, h.entry(0)); // the same entry, changed in place
    EXPECT_STREQ("renamed", first->name);
    EXPECT_STREQ("p", first->password);
    EXPECT_EQ(SecurityStls, first->security);
    EXPECT_EQ(2110, first->port);
    EXPECT_EQ(std::string(64, 'A'), first->trustedCertificate);
    EXPECT_FALSE(first->announceNewOnly);
    EXPECT_FALSE(first->isCheckRunning());
    EXPECT_EQ(std::vector<std::string>{ "renamed" }, savedNames());
    EXPECT_EQ("renamed", h.rowText(0, 0));
}

TEST_F(DialogCommands, TheWizardAppendsOnlyAFinishedEntry)
{
    EXPECT_TRUE(commandWith(IDM_ADD_WIZARD, "Add Account Step 1", [](HWND sheet) {
        setItemText(reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0)), IDC_WIZ_NAME, "half");
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        SendMessageA(sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    }));
    EXPECT_EQ(1, app.entries.count);

    EXPECT_TRUE(addThroughTheWizard());
    ASSERT_EQ(2, app.entries.count);
    EXPECT_STREQ("wizard", h.entry(1)->name);
    EXPECT_EQ(2, h.rowCount());
    EXPECT_EQ((std::vector<std::string>{ "first", "wizard" }), savedNames());
}

TEST_F(DialogCommands, SettingsOkAppliesAndSavesWithTheWindowPosition)
{
    const std::string file = h.folder.file("Tessary.dat");
    std::string before = readWholeFile(file);
    Settings kept = app.settings;
    EXPECT_TRUE(commandWith(IDM_SETTINGS, "Tessary Settings", [](HWND dialog) {
        setItemText(dialog, IDC_SET_SERVER_TIMEOUT, "12");
        click(dialog, IDCANCEL);
    }));
    EXPECT_EQ(0, memcmp(&kept, &app.settings, sizeof kept));
    EXPECT_EQ(before, readWholeFile(file));

    SetWindowPos(h.window(), nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_TRUE(commandWith(IDM_SETTINGS, "Tessary Settings", [](HWND dialog) {
        setItemText(dialog, IDC_SET_SERVER_TIMEOUT, "45");
        click(dialog, IDC_SET_SYNC_AUDIO);
        click(dialog, IDOK);
    }));
    EXPECT_EQ(45, app.settings.serverTimeoutSeconds);
    EXPECT_EQ(45000, serverTimeoutMs);
    EXPECT_EQ(kept.syncAudio ? 0 : 1, app.settings.syncAudio);
    RECT where;
    GetWindowRect(h.window(), &where);
    Settings saved = {};
    ASSERT_TRUE(loadSettings(file.c_str(), settingsMagic, &saved, sizeof saved));
    EXPECT_EQ(45, saved.serverTimeoutSeconds);
    EXPECT_EQ(app.settings.syncAudio, saved.syncAudio);
    EXPECT_EQ(where.left, saved.windowLeft);
    EXPECT_EQ(where.top, saved.windowTop);
}

TEST_F(DialogCommands, HeadersAreShownOnlyForAnIdleEntry)
{
    command(IDM_SHOW_HEADERS);
    EXPECT_EQ("Tessary: You must select an entry to show headers.", lastBox());

    MailboxEntry* first = h.entry(0);
    giveHeaders(*first, { "Subject: hello\r\n\r\n" });
    first->lastResult = 1;
    ASSERT_TRUE(h.selectRow(0));
    EXPECT_TRUE(commandWith(IDM_SHOW_HEADERS, "Message Header(s)", [](HWND dialog) {
        EXPECT_EQ("first", itemText(dialog, IDC_HDR_MAILBOX));
        EXPECT_EQ("Subject: hello\r\n\r\n", itemText(dialog, IDC_HDR_TEXT));
        click(dialog, IDCANCEL);
    }));

    startStandInWorker(*first, StandInBehaviour::EndsOnStop);
    ModalScript script; // nothing may open
    bool opened = false;
    script.on("Message Header(s)", [&](HWND dialog) {
        opened = true;
        click(dialog, IDCANCEL);
    });
    command(IDM_SHOW_HEADERS);
    EXPECT_FALSE(opened);
    first->stopCheck(false);
}

} // namespace
