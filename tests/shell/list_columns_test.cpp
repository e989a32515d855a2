// The list's columns show their longest texts whole at the default font; the list view's own
// autosize is the measure. (That the window keeps its size is checked with the layout.)
#include <gtest/gtest.h>
#include "support/main_window_harness.h"
#include "shell/entry_list_view.h"
#include "resources/resource.h"
#include <commctrl.h>

namespace {

int columnWidth(HWND list, int column)
{
    return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
}

// The width the list view itself finds for a column's texts (or its header, if wider).
int neededWidth(HWND list, int column, int how)
{
    int set = columnWidth(list, column);
    SendMessageA(list, LVM_SETCOLUMNWIDTH, column, how);
    int needed = columnWidth(list, column);
    SendMessageA(list, LVM_SETCOLUMNWIDTH, column, set);
    return needed;
}

TEST(ListColumns, TheLongestResultsAndCheckTimesAndEveryHeaderShowWhole)
{
    MainWindowHarness h;
    h.writeEntryList([](EntryList& list) {
        for (const char* name : { "a", "b", "c" }) {
            MailboxEntry* e = list.addNew();
            e->setName(name);
            e->setServer("pop.example.org");
        }
    });
    ASSERT_NE(nullptr, h.open());
    h.entry(0)->lastResult = -116; // the longest code: a secure connection refused
    h.entry(0)->lastCheckTime = FakeClock::make(2026, 12, 9, 23, 59); // "Wed 23:59"
    h.entry(1)->lastResult = -7;
    RefreshEntryList();
    ASSERT_EQ("err -116", h.rowText(0, 3));
    ASSERT_EQ("not checked", h.rowText(1, 2));

    HWND list = GetDlgItem(h.window(), IDC_ENTRY_LIST);
    EXPECT_GE(columnWidth(list, 3), neededWidth(list, 3, LVSCW_AUTOSIZE)) << "err -116 is cut";
    EXPECT_GE(columnWidth(list, 2), neededWidth(list, 2, LVSCW_AUTOSIZE)) << "not checked is cut";
    // (The last column's header is "#"; asked to fit its header, it would fill the list instead.)
    for (int column = 0; column < 3; ++column)
        EXPECT_GE(columnWidth(list, column), neededWidth(list, column, LVSCW_AUTOSIZE_USEHEADER))
            << "header of column " << column;
}

} // namespace
