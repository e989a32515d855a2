// The user's commands, the menus and the tray icon's clicks.
#include <gtest/gtest.h>
#include "support/main_window_harness.h"
#include "support/standin_worker.h"
#include "platform/messages.h"
#include "resources/resource.h"
#include "shell/entry_list_view.h"

namespace {

class Commands : public ::testing::Test {
protected:
    MainWindowHarness h;
    void SetUp() override
    {
        h.writeEntryList([](EntryList& list) {
            MailboxEntry* on = list.addNew();
            on->setName("a-on");
            on->setServer("127.0.0.1");
            on->connectionMode = AlwaysConnected;
            on->lastCheckTime = FakeClock::make(2026, 12, 8, 11, 59); // not due
            MailboxEntry* off = list.addNew();
            off->setName("b-off");
            off->setServer("127.0.0.1");
            off->connectionMode = AlwaysConnected;
            off->enabled = false;
        });
        ASSERT_NE(nullptr, h.open());
    }
    void command(WORD id) { h.command(id); }
    bool logged(const std::string& part) const { return h.log().find(part) != std::string::npos; }
    std::string lastBox() const { return h.ui.boxes.empty() ? "" : h.ui.boxes.back().caption + ": " + h.ui.boxes.back().text; }
};

TEST_F(Commands, CheckSelectedChecksADisabledEntryButCheckAllDoesNot)
{
    command(IDM_CHECK_SELECTED);
    EXPECT_EQ("Tessary: You must select an entry to check.", lastBox());
    command(IDM_CHECK_ALL);
    EXPECT_TRUE(logged("a-on: checking"));
    EXPECT_FALSE(logged("b-off: checking"));
    h.waitForIdleChecks();

    h.selectRow(1);
    h.entry(1)->setRetryDelay(100);
    command(IDM_CHECK_SELECTED);
    EXPECT_TRUE(logged("b-off: checking"));
    EXPECT_EQ(0, h.entry(1)->retryDelayMinutes);
    h.waitForIdleChecks();
    // A double click on a row does the same.
    NMHDR click = { GetDlgItem(h.window(), IDC_ENTRY_LIST), IDC_ENTRY_LIST, static_cast<UINT>(NM_DBLCLK) };
    std::string before = h.log();
    SendMessageA(h.window(), WM_NOTIFY, IDC_ENTRY_LIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_GT(h.log().size(), before.size());
    EXPECT_TRUE(h.log().rfind("b-off: checking") > before.size() - 20);
    h.waitForIdleChecks();
}

TEST_F(Commands, CheckSelectedOnAWithdrawnSignInSaysWhyInsteadOfNothing)
{
    MailboxEntry* entry = h.entry(0);
    entry->signIn = SignInMicrosoft;
    entry->signInSession.expired = true;
    h.selectRow(0);
    command(IDM_CHECK_SELECTED);
    EXPECT_EQ(1, h.logCount("a-on: error: the sign-in has expired or was withdrawn; open the entry and sign in again"));
    EXPECT_FALSE(logged("a-on: checking"));
    EXPECT_FALSE(entry->checkRequested);
    EXPECT_FALSE(entry->isCheckRunning());
}

TEST_F(Commands, RemoveAsksFirstAndSavesTheList)
{
    command(IDM_REMOVE);
    EXPECT_EQ("Tessary: You must select an entry to remove.", lastBox());
    h.selectRow(0);
    h.ui.boxAnswers = { IDNO };
    command(IDM_REMOVE);
    EXPECT_EQ("Remove account entry: Are you sure?", lastBox());
    EXPECT_EQ(static_cast<UINT>(MB_YESNO | MB_ICONQUESTION), h.ui.boxes.back().type);
    EXPECT_EQ(2, app.entries.count);

    startStandInWorker(*h.entry(0), StandInBehaviour::EndsOnStop);
    h.ui.boxAnswers = { IDYES };
    command(IDM_REMOVE);
    EXPECT_EQ(1, app.entries.count);
    EXPECT_EQ(1, h.rowCount());
    EntryList saved;
    ASSERT_TRUE(saved.load(h.folder.file("default.tsl").c_str()));
    EXPECT_EQ(1, saved.count);
    EXPECT_STREQ("b-off", saved.head->name);
}

TEST_F(Commands, EnableAllAndDisableAllChangeEntriesWithoutSaving)
{
    std::string before = readWholeFile(h.folder.file("default.tsl"));
    startStandInWorker(*h.entry(0), StandInBehaviour::EndsOnStop);
    command(IDM_DISABLE_ALL);
    EXPECT_FALSE(h.entry(0)->enabled);
    EXPECT_FALSE(h.entry(0)->isCheckRunning());
    EXPECT_EQ(ImageDisabled, h.rowImage(0));
    command(IDM_ENABLE_ALL);
    EXPECT_TRUE(h.entry(1)->enabled);
    EXPECT_EQ(ImageIdle, h.rowImage(1));
    EXPECT_EQ(before, readWholeFile(h.folder.file("default.tsl")));
}

TEST_F(Commands, RunEmailAppFromTheTrayAndFromTheList)
{
    command(IDM_RUN_EMAIL_APP);
    EXPECT_TRUE(h.ui.launches.empty());
    h.entry(1)->runMailProgram = true;
    h.entry(1)->setMailProgramPath("mail.exe");
    h.entry(1)->setMailProgramArgs("-n");
    command(IDM_RUN_EMAIL_APP);
    ASSERT_EQ(1u, h.ui.launches.size());
    EXPECT_EQ("mail.exe", h.ui.launches[0].file);
    EXPECT_EQ("-n", h.ui.launches[0].parameters);

    command(IDM_RUN_SELECTED_EMAIL_APP);
    EXPECT_EQ("Tessary Nonfatal Error: No entry selected for run!", lastBox());
    h.selectRow(0);
    command(IDM_RUN_SELECTED_EMAIL_APP);
    EXPECT_TRUE(logged("a-on: error: selected entry does not have an email application setup"));
    h.selectRow(1);
    h.ui.launchResult = 31;
    command(IDM_RUN_SELECTED_EMAIL_APP);
    EXPECT_TRUE(logged("b-off: error: ShellExecute() failed on email application"));
}

TEST_F(Commands, ARowWhoseEntryIsGoneIsReportedAndNothingChanges)
{
    h.selectRow(0);
    MailboxEntry* shown = h.rowEntry(0);
    app.entries.remove(shown); // the row still carries the pointer
    command(IDM_CHECK_SELECTED);
    EXPECT_EQ("Tessary Nonfatal Error!: Bad pointer in list view.", lastBox());
    command(IDM_RUN_SELECTED_EMAIL_APP);
    EXPECT_EQ("Tessary Nonfatal Error: Bad pointer in list view.", lastBox());
}

TEST_F(Commands, HelpShowWindowAndClose)
{
    command(IDM_HELP_CONTENTS);
    ASSERT_FALSE(h.ui.helpTopics.empty());
    EXPECT_EQ("Tessary.chm::/main.htm", h.ui.helpTopics.back());
    ShowWindow(h.window(), SW_HIDE);
    command(IDM_SHOW_WINDOW);
    EXPECT_TRUE(IsWindowVisible(h.window()));
    command(IDM_CLOSE);
    ASSERT_TRUE(h.pumpUntil([&] { return !IsWindow(h.window()); }, 3000));
}

TEST_F(Commands, TheBoxesMenuGreysWhatNeedsASelection)
{
    HMENU boxes = GetSubMenu(GetMenu(h.window()), 1);
    auto enabled = [&](UINT id) { return !(GetMenuState(boxes, id, MF_BYCOMMAND) & MF_GRAYED); };
    SendMessageA(h.window(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(boxes), MAKELPARAM(1, FALSE));
    EXPECT_FALSE(enabled(IDM_EDIT));
    EXPECT_FALSE(enabled(IDM_REMOVE));
    EXPECT_FALSE(enabled(IDM_CHECK_SELECTED));
    EXPECT_FALSE(enabled(IDM_SHOW_HEADERS));
    EXPECT_TRUE(enabled(IDM_ADD_NEW));

    h.selectRow(0);
    SendMessageA(h.window(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(boxes), MAKELPARAM(1, FALSE));
    EXPECT_TRUE(enabled(IDM_EDIT));
    EXPECT_TRUE(enabled(IDM_CHECK_SELECTED));
    EXPECT_FALSE(enabled(IDM_SHOW_HEADERS)); // no mail yet
    h.entry(0)->lastResult = 2;
    SendMessageA(h.window(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(boxes), MAKELPARAM(1, FALSE));
    EXPECT_TRUE(enabled(IDM_SHOW_HEADERS));
    startStandInWorker(*h.entry(0), StandInBehaviour::EndsOnStop);
    SendMessageA(h.window(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(boxes), MAKELPARAM(1, FALSE));
    EXPECT_FALSE(enabled(IDM_SHOW_HEADERS)); // while its check runs
    h.entry(0)->stopCheck(false);
}

// A screen point on a row of the list, as WM_CONTEXTMENU carries it.
POINT pointOnRow(HWND list, int row)
{
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    POINT at = { bounds.left + 5, (bounds.top + bounds.bottom) / 2 };
    ClientToScreen(list, &at);
    return at;
}

TEST_F(Commands, TheListContextMenuFollowsTheRowUnderTheCursor)
{
    HWND list = GetDlgItem(h.window(), IDC_ENTRY_LIST);
    POINT at = pointOnRow(list, 1);
    h.entry(1)->runMailProgram = true;
    h.entry(1)->lastResult = 3;
    SendMessageA(h.window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(at.x, at.y));
    ASSERT_EQ(1u, h.ui.menus.size());
    EXPECT_EQ((std::vector<std::string>{ "&Edit", "&Remove", "&Check now", "R&un email app", "Sho&w headers.." }),
              h.ui.menus[0].items);
    EXPECT_EQ(static_cast<UINT>(IDM_CHECK_SELECTED), h.ui.menus[0].defaultId);
    EXPECT_EQ(1, selectedRow());

    h.entry(0)->lastResult = 0;
    at = pointOnRow(list, 0);
    SendMessageA(h.window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(at.x, at.y));
    ASSERT_EQ(2u, h.ui.menus.size());
    EXPECT_EQ((std::vector<std::string>{ "&Edit", "&Remove", "&Check now" }), h.ui.menus[1].items);

    POINT below = { 5, 5000 }; // no row there
    ClientToScreen(list, &below);
    EXPECT_FALSE(SendMessageA(h.window(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), MAKELPARAM(below.x, below.y)));
    EXPECT_EQ(2u, h.ui.menus.size());
}

TEST_F(Commands, TrayClicksShowTheWindowOrTheMenuAndARightClickStopsTheBlinking)
{
    ShowWindow(h.window(), SW_HIDE);
    SendMessageA(h.window(), WM_TRAY_NOTIFY, TRAY_ICON_ID, WM_LBUTTONDOWN);
    EXPECT_TRUE(IsWindowVisible(h.window()));

    app.trayAnimRunning = false;
    SendMessageA(h.window(), WM_TRAY_NOTIFY, TRAY_ICON_ID, WM_RBUTTONDOWN);
    ASSERT_EQ(1u, h.ui.menus.size());
    EXPECT_EQ((std::vector<std::string>{ "&Show window", "Check all &now", "-", "&Close Tessary" }), h.ui.menus[0].items);
    EXPECT_EQ(static_cast<UINT>(IDM_SHOW_WINDOW), h.ui.menus[0].defaultId);

    h.entry(1)->runMailProgram = true;
    SetTimer(h.window(), IDT_TRAY_ANIM, 100, nullptr);
    app.trayAnimRunning = true;
    app.trayAnimFrame = 1;
    SendMessageA(h.window(), WM_TRAY_NOTIFY, TRAY_ICON_ID, WM_RBUTTONDOWN);
    EXPECT_FALSE(app.trayAnimRunning);
    EXPECT_EQ(0, app.trayAnimFrame);
    ASSERT_EQ(2u, h.ui.menus.size());
    EXPECT_EQ((std::vector<std::string>{ "&Show window", "Check all &now", "R&un email app", "-", "&Close Tessary" }),
              h.ui.menus[1].items);

    h.ui.menuChoice = IDM_CHECK_ALL;
    SendMessageA(h.window(), WM_TRAY_NOTIFY, TRAY_ICON_ID, WM_RBUTTONDOWN);
    h.pump(100);
    EXPECT_TRUE(logged("a-on: checking"));
    h.waitForIdleChecks();
}

TEST_F(Commands, MinimiseHidesTheWindowInTrayModeAndTheSystemMenuHasAbout)
{
    HMENU system = GetSystemMenu(h.window(), FALSE);
    EXPECT_EQ(static_cast<UINT>(-1), GetMenuState(system, SC_MAXIMIZE, MF_BYCOMMAND));
    EXPECT_EQ(static_cast<UINT>(-1), GetMenuState(system, SC_SIZE, MF_BYCOMMAND));
    char text[32] = {};
    GetMenuStringA(system, IDM_ABOUT, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ("&About..", text);

    app.trayAnimRunning = true;
    SendMessageA(h.window(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsWindowVisible(h.window()));
    EXPECT_FALSE(app.trayAnimRunning);
}

} // namespace
