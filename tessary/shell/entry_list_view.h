// The list view of the main window: one sorted row per entry with a server, its state as an icon,
// its last check and its last result; rows of running checks are animated.
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

// Columns and the small image list, once at the window's creation, then LayoutWindow.
void SetUpEntryListView(HWND window);
// Sizes the list and the log to the columns and fits the window around them.
void LayoutWindow(HWND window);
// Destroys the small image list (at the window's destruction). The window is its one owner: the
// list view is made with LVS_SHAREIMAGELISTS, so it leaves the list alone when it goes.
void ReleaseEntryListImages();

void RefreshEntryList();
// Starts the list animation while any check runs, and stops it when none does.
void UpdateListAnimation();
// One tick of the list animation.
void StepListAnimation();
// The list refresh done after every command and worker message.
inline void RefreshEntryListAndAnimation()
{
    UpdateListAnimation();
    RefreshEntryList();
}

// The first selected row, or -1.
int selectedRow();
// Makes the row selected and focused.
void selectAndFocusRow(int row);
// The entry pointer a row carries (not yet checked against the entry list); false when the list
// view cannot give it.
bool rowEntry(int row, MailboxEntry*& entry);

// Texts of the "Last Check" and "#" columns.
void lastCheckText(const MailboxEntry& entry, char* text, size_t size);
void resultText(const MailboxEntry& entry, char* text, size_t size);
// The image a row shows for the entry's state.
int rowImage(const MailboxEntry& entry);

// Images of the small image list.
enum RowImage {
    ImageIdle = 0,
    ImageDisabled = 1,
    ImageChecking = 2,
    ImageDialing = 3,
    ImageChecking2 = 4,
    ImageChecking3 = 5,
    ImageMailWaiting = 6,
    ImageWaitingForLine = 7,
};
