// The built Tessary.chm in the real HTML Help viewer (hhctrl.ocx, loaded at run time as the program
// does): each topic the program opens gives a viewer window that has read the file (its title and
// its table of contents), and the program's own help commands open it from the program folder,
// whatever the current directory was. (Wine's viewer also answers a topic missing from the file with
// a window; that the topics are in the file is the help file script's test.)
#include <gtest/gtest.h>
#include "platform/ui_calls.h"
#include "resources/resource.h"
#include "shell/startup.h"
#include "support/main_window_harness.h"
#include "support/seam_override.h"
#include "support/temp_folder.h"
#include <commctrl.h>
#include <cstring>
#include <htmlhelp.h>
#include <set>
#include <string>
#include <vector>

namespace {

// Bound before any test replaces it: the program's loader of the real viewer.
const auto realHtmlHelp = uiCalls.HtmlHelpA;

std::string builtHelpFile()
{
    std::string path = TESSARY_HELP_FILE_LINUX_PATH; // Wine shows the Linux file system as drive Z:
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return "Z:" + path;
}

BOOL CALLBACK collectWindow(HWND window, LPARAM windows)
{
    reinterpret_cast<std::set<HWND>*>(windows)->insert(window);
    return TRUE;
}

std::set<HWND> threadWindows()
{
    std::set<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), collectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::set<HWND> newVisibleWindows(const std::set<HWND>& before)
{
    std::set<HWND> appeared;
    for (HWND window : threadWindows())
        if (!before.count(window) && IsWindowVisible(window))
            appeared.insert(window);
    return appeared;
}

BOOL CALLBACK findContentsTree(HWND window, LPARAM found)
{
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (strcmp(name, WC_TREEVIEWA) != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// The first level of the viewer's table of contents: what it read from the file.
std::vector<std::string> contentsOf(HWND viewer)
{
    HWND tree = nullptr;
    EnumChildWindows(viewer, findContentsTree, reinterpret_cast<LPARAM>(&tree));
    std::vector<std::string> titles;
    if (!tree)
        return titles;
    auto item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    for (; item; item = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                                  reinterpret_cast<LPARAM>(item)))) {
        char text[128] = "";
        TVITEMA entry = {};
        entry.mask = TVIF_TEXT;
        entry.hItem = item;
        entry.pszText = text;
        entry.cchTextMax = sizeof text;
        SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&entry));
        titles.push_back(text);
    }
    return titles;
}

const std::vector<std::string> contents = { "Getting started", "The Tessary window", "Mailbox entry",
                                            "Actions after a check", "Settings",
                                            "Log messages and error codes", "Where Tessary keeps its data" };

std::string titleOf(HWND window)
{
    char title[128] = "";
    GetWindowTextA(window, title, sizeof title);
    return title;
}

void pump()
{
    MSG message;
    for (int i = 0; i < 20; ++i) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        Sleep(10);
    }
}

void closeAllViewers()
{
    realHtmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
    pump();
}

class HelpViewer : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CopyFileA(builtHelpFile().c_str(), folder.file("Tessary.chm").c_str(), FALSE))
            << builtHelpFile() << " is not built";
        ASSERT_NE(nullptr, LoadLibraryA("hhctrl.ocx")) << "no HTML Help viewer on this system";
    }
    void TearDown() override
    {
        closeAllViewers();
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        SetCurrentDirectoryA(temp); // so that the folder can be removed
    }
    TempFolder folder;
};

TEST_F(HelpViewer, EveryTopicTheProgramOpensShowsAViewerWindowThatCloses)
{
    ASSERT_TRUE(SetCurrentDirectoryA(folder.path().c_str()));
    for (const char* topic : { "Tessary.chm::/main.htm", "Tessary.chm::/mailbox.htm",
                               "Tessary.chm::/settings.htm", "Tessary.chm::/firstrun.htm" }) {
        HWND viewer = realHtmlHelp(GetDesktopWindow(), topic, HH_DISPLAY_TOPIC, 0);
        ASSERT_NE(nullptr, viewer) << topic;
        EXPECT_TRUE(IsWindow(viewer)) << topic;
        EXPECT_EQ("Tessary Help", titleOf(viewer)) << topic;
        EXPECT_EQ(contents, contentsOf(viewer)) << topic;
        closeAllViewers();
        EXPECT_FALSE(IsWindow(viewer)) << topic;
    }
}

TEST_F(HelpViewer, WithoutTheHelpFileBesideItNothingOpens)
{
    TempFolder elsewhere;
    ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.path().c_str()));
    std::set<HWND> before = threadWindows();
    EXPECT_EQ(nullptr, realHtmlHelp(GetDesktopWindow(), "Tessary.chm::/main.htm", HH_DISPLAY_TOPIC, 0));
    EXPECT_TRUE(newVisibleWindows(before).empty());
}

// The main window's first start (no settings yet) and its Contents command, with the real viewer:
// both go to the program folder first, wherever the current directory is.
TEST(HelpCommands, FirstStartAndContentsOpenTheViewerFromTheProgramFolder)
{
    MainWindowHarness h;
    ASSERT_TRUE(CopyFileA(builtHelpFile().c_str(), h.folder.file("Tessary.chm").c_str(), FALSE));
    SeamOverride<HWND (WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR)> real(uiCalls.HtmlHelpA, realHtmlHelp);

    std::set<HWND> before = threadWindows();
    ASSERT_NE(nullptr, h.open());
    std::set<HWND> firstRun = newVisibleWindows(before);
    firstRun.erase(h.window());
    ASSERT_EQ(1u, firstRun.size()) << "the first start opens the getting-started topic";
    EXPECT_EQ(contents, contentsOf(*firstRun.begin()));
    closeAllViewers();

    TempFolder elsewhere;
    ASSERT_TRUE(SetCurrentDirectoryA(elsewhere.path().c_str()));
    before = threadWindows();
    h.command(IDM_HELP_CONTENTS);
    std::set<HWND> opened = newVisibleWindows(before);
    ASSERT_EQ(1u, opened.size()) << "Help, Contents.. opens one viewer";
    EXPECT_EQ("Tessary Help", titleOf(*opened.begin()));
    EXPECT_EQ(contents, contentsOf(*opened.begin()));
    closeAllViewers();
    EXPECT_FALSE(IsWindow(*opened.begin()));
    h.close();
}

} // namespace
