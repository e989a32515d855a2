// The user's commands from the menu bar, the system menu, the list's context menu and the tray.
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

// WM_COMMAND by command id: TRUE when the id is one of the program's commands.
INT_PTR OnCommand(HWND window, WORD id);
// Shows the main window and brings it to the front ("&Show window", a click on the tray icon).
void ShowMainWindow(HWND window);
// Starts the entry's e-mail program; a failure is a line in the log.
void RunMailProgram(const MailboxEntry& entry);
// Checks the selected entry now, also a disabled one (menu, context menu, double click).
void CheckSelected(HWND window);
