// The entry rows of the main window and its activity log.
#include <gtest/gtest.h>
#include "support/main_window_harness.h"
#include "support/standin_worker.h"
#include "shell/activity_log.h"
#include "shell/entry_list_view.h"
#include "shell/log_lines.h"
#include <commctrl.h>
#include "resources/resource.h"

namespace {

class ListView : public ::testing::Test {
protected:
    MainWindowHarness h;
    void SetUp() override
    {
        h.writeEntryList([](EntryList& list) {
            for (const char* name : { "beta", "Alpha", "gamma", "hidden" }) {
                MailboxEntry* e = list.addNew();
                e->setName(name);
                if (std::string(name) != "hidden")
                    e->setServer((std::string(name) + ".example.org").c_str());
            }
        });
        ASSERT_NE(nullptr, h.open());
    }
};

TEST_F(ListView, RowsAreSortedByNameWithoutCaseAndServerlessEntriesAreLeftOut)
{
    ASSERT_EQ(3, h.rowCount());
    EXPECT_EQ("Alpha", h.rowText(0, 0));
    EXPECT_EQ("beta", h.rowText(1, 0));
    EXPECT_EQ("gamma", h.rowText(2, 0));
    EXPECT_EQ("Alpha.example.org", h.rowText(0, 1));
    EXPECT_EQ(h.entry(1), h.rowEntry(0));
}

TEST_F(ListView, LastCheckAndResultColumns)
{
    EXPECT_EQ("not checked", h.rowText(0, 2));
    EXPECT_EQ("0", h.rowText(0, 3));
    MailboxEntry* beta = h.entry(0);
    beta->lastCheckTime = FakeClock::make(2026, 12, 8, 14, 5); // a Tuesday
    beta->lastResult = -3;
    MailboxEntry* gamma = h.entry(2);
    gamma->lastCheckTime = FakeClock::make(2026, 12, 6, 9, 0);
    gamma->lastResult = 12;
    RefreshEntryList();
    EXPECT_EQ("Tue 14:05", h.rowText(1, 2));
    EXPECT_EQ("err -3", h.rowText(1, 3));
    EXPECT_EQ("Sun 09:00", h.rowText(2, 2));
    EXPECT_EQ("12", h.rowText(2, 3));
}

TEST_F(ListView, IconsFollowTheFirstMatchingState)
{
    MailboxEntry* alpha = h.entry(1);
    MailboxEntry* beta = h.entry(0);
    MailboxEntry* gamma = h.entry(2);
    EXPECT_EQ(ImageIdle, h.rowImage(0));
    beta->enabled = false;
    beta->lastResult = 5;
    gamma->lastResult = 2;
    RefreshEntryList();
    EXPECT_EQ(ImageDisabled, h.rowImage(1));
    EXPECT_EQ(ImageMailWaiting, h.rowImage(2));

    gamma->waitingForDialup = 1;
    startStandInWorker(*alpha, StandInBehaviour::EndsOnStop);
    RefreshEntryList();
    EXPECT_EQ(ImageWaitingForLine, h.rowImage(2));
    EXPECT_EQ(ImageChecking, h.rowImage(0));

    app.dialingEntry = gamma;
    app.dialWorker.thread = GetCurrentThread(); // a dial counts as in progress while a thread is set
    RefreshEntryList();
    EXPECT_EQ(ImageDialing, h.rowImage(2));
    app.dialWorker.thread = nullptr;
    alpha->stopCheck(false);
}

TEST_F(ListView, SelectionStaysOnTheSameEntryWhenTheSortMovesIt)
{
    ASSERT_TRUE(h.selectRow(2)); // gamma
    h.entry(2)->setName("aardvark");
    RefreshEntryList();
    EXPECT_EQ("aardvark", h.rowText(0, 0));
    EXPECT_EQ(0, selectedRow());
    app.entries.remove(h.entry(2));
    RefreshEntryList();
    EXPECT_EQ(-1, selectedRow());
}

TEST_F(ListView, RunningChecksAnimateOnlyTheirOwnRows)
{
    MailboxEntry* alpha = h.entry(1);
    startStandInWorker(*alpha, StandInBehaviour::EndsOnStop);
    UpdateListAnimation();
    EXPECT_TRUE(app.listAnimRunning);
    RefreshEntryList();
    app.listAnimFrame = 0;
    int expected[] = { ImageChecking2, ImageChecking3, ImageChecking2, ImageChecking, ImageChecking2 };
    for (int image : expected) {
        StepListAnimation();
        EXPECT_EQ(image, h.rowImage(0));
        EXPECT_EQ(ImageIdle, h.rowImage(1));
    }
    alpha->stopCheck(false);
    UpdateListAnimation();
    EXPECT_FALSE(app.listAnimRunning);
}

TEST_F(ListView, TheWindowIsLaidOutAroundTheColumns)
{
    RECT list, log, client;
    GetWindowRect(GetDlgItem(h.window(), IDC_ENTRY_LIST), &list);
    GetWindowRect(GetDlgItem(h.window(), IDC_LOG), &log);
    GetClientRect(h.window(), &client);
    EXPECT_EQ(338, list.right - list.left);
    EXPECT_EQ(338, log.right - log.left);
    EXPECT_EQ(354, client.right);
    POINT logTopLeft = { log.left, log.top };
    ScreenToClient(h.window(), &logTopLeft);
    EXPECT_EQ(8, logTopLeft.x);
    EXPECT_EQ(list.bottom - list.top + 8, logTopLeft.y);
}

TEST_F(ListView, TheWindowAloneOwnsTheImageList)
{
    HWND list = GetDlgItem(h.window(), IDC_ENTRY_LIST);
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(SendMessageA(list, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    ASSERT_EQ(app.listImages, images);
    DestroyWindow(list); // the list view goes first when the window is destroyed
    EXPECT_EQ(8, ImageList_GetImageCount(images)); // and leaves the images to the window
}

class ActivityLog : public ::testing::Test {
protected:
    MainWindowHarness h;
    void SetUp() override
    {
        ASSERT_NE(nullptr, h.open());
        // The log works the same hidden in the tray; Wine's visible edit control repaints on every
        // change, which makes hundreds of lines take many seconds.
        ShowWindow(h.window(), SW_HIDE);
    }
};

TEST_F(ActivityLog, StartsWithTheBannerAndFormatsEachForm)
{
    std::string banner = h.log();
    EXPECT_EQ(0u, banner.find("Tessary"));
    EXPECT_NE(std::string::npos, banner.find("\r\nInitializing... 6 seconds"));

    SetWindowTextA(GetDlgItem(h.window(), IDC_LOG), "");
    h.clock.set(2026, 12, 8, 9, 5);
    LogLine("no mail.", "work", true, true);
    LogLine("plain", nullptr, true, true);
    LogLine(" ERROR: -7", nullptr, false, false);
    LogLine("tail", "pre", false, false);
    LogLine("untimed", nullptr, false, true);
    LogLine(nullptr, "ignored", true, true);
    EXPECT_EQ("\r\n09:05 work: no mail.\r\n09:05 plain ERROR: -7pre tail\r\nuntimed", h.log());
}

TEST_F(ActivityLog, KeepsFourHundredLinesDroppingTheBannerFirst)
{
    int banner = h.logLines();
    for (int i = 1; i <= 400 - banner; ++i)
        LogEntryLine(nullptr, ("line " + std::to_string(i)).c_str());
    EXPECT_EQ(400, h.logLines());
    EXPECT_EQ(0u, h.log().find("Tessary"));
    LogEntryLine(nullptr, "line one more");
    EXPECT_EQ(400, h.logLines());
    EXPECT_EQ(0u, h.log().find("Initializing... 6 seconds"));
    // Long lines wrap in the control; they are still dropped whole, one per new line.
    std::string wide(300, 'w');
    for (int i = 0; i < 60; ++i)
        LogEntryLine("entry", wide.c_str());
    EXPECT_EQ(400, h.logLines());
    std::string text = h.log();
    size_t start = 0;
    for (int line = 0; line < 400; ++line) {
        size_t end = text.find("\r\n", start);
        std::string one = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        ASSERT_TRUE(one.rfind("12:00 line ", 0) == 0 || one == "12:00 entry: " + wide) << one;
        start = end + 2;
    }
}

TEST_F(ActivityLog, FullVoiceFeedbackSpeaksThePrefixThenTheText)
{
    app.settings.fullVoiceFeedback = 1;
    h.speech->clearLog();
    LogEntryLine("work", "no mail.");
    app.settings.fullVoiceFeedback = 0;
    LogEntryLine("work", "quiet");
    std::vector<std::string> spoken;
    for (const std::string& line : h.speech->log)
        if (line.rfind("Speak", 0) == 0)
            spoken.push_back(line);
    ASSERT_EQ(2u, spoken.size());
    EXPECT_NE(std::string::npos, spoken[0].find("'work'"));
    EXPECT_NE(std::string::npos, spoken[1].find("'no mail.'"));
}

int logTextReads = 0;
WNDPROC logProcedure = nullptr;

LRESULT CALLBACK countTextReads(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_GETTEXT)
        ++logTextReads;
    return CallWindowProcA(logProcedure, window, message, wParam, lParam);
}

TEST_F(ActivityLog, AFullLogDropsItsOldestLineWithoutReadingTheText)
{
    while (h.logLines() < 400)
        LogEntryLine(nullptr, "filler");
    HWND log = GetDlgItem(h.window(), IDC_LOG);
    logTextReads = 0;
    logProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(log, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(countTextReads)));
    for (int i = 1; i <= 500; ++i)
        LogEntryLine("entry", ("line " + std::to_string(i)).c_str());
    SetWindowLongPtrA(log, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(logProcedure));
    EXPECT_EQ(0, logTextReads);
    EXPECT_EQ(400, h.logLines());
    EXPECT_EQ(0u, h.log().find("12:00 entry: line 101\r\n"));
}

TEST_F(ActivityLog, TextReplacedFromOutsideIsCountedAgainAndStillDroppedByWholeLines)
{
    std::string text;
    for (int i = 0; i < 450; ++i)
        text += (i ? "\r\n" : "") + std::string("old ") + std::to_string(i) + std::string(i % 7 ? 0 : 200, 'x');
    SetWindowTextA(GetDlgItem(h.window(), IDC_LOG), text.c_str());
    LogEntryLine(nullptr, "new");
    EXPECT_EQ(400, h.logLines());
    EXPECT_EQ(0u, h.log().find("old 51\r\n"));
    LogEntryLine(nullptr, "newer");
    EXPECT_EQ(0u, h.log().find("old 52\r\n"));
    std::string tail = "\r\nold 449\r\n12:00 new\r\n12:00 newer";
    std::string now = h.log();
    EXPECT_EQ(tail, now.substr(now.size() - tail.size()));
}

TEST(LogLinesCount, BreaksAreCountedAcrossAppendsAndOnlyAsCarriageReturnLineFeed)
{
    LogLines lines;
    lines.append("a\r", 2);
    lines.append("\nbc\n\r", 5); // "\r" and "\n" from two appends make one break
    EXPECT_EQ(2u, lines.lines());
    lines.append("\r\n", 2); // "\r\r\n": the first "\r" stays in the line
    EXPECT_EQ(3u, lines.lines());
    EXPECT_EQ(9u, lines.textLength());
    EXPECT_EQ(3u, lines.dropFirst()); // "a" and its break
    EXPECT_EQ(6u, lines.dropFirst()); // "bc\n\r" and its break
    EXPECT_EQ(0u, lines.dropFirst()); // the open last line stays
    EXPECT_EQ(1u, lines.lines());
    EXPECT_EQ(0u, lines.textLength());
    lines.recount("x\r\ny", 4);
    EXPECT_EQ(2u, lines.lines());
    EXPECT_EQ(3u, lines.dropFirst());
}

} // namespace
