// The system menu, the greying of the "&Boxes" menu and the entry list's context menu.
#pragma once
#include <windows.h>
#include "storage/mailbox_entry.h"

// WM_SYSCOMMAND: the About box, and a minimise that hides the window in tray mode.
INT_PTR OnSysCommand(HWND window, WPARAM command);
// WM_INITMENUPOPUP: greys the commands that need a selected entry in the "&Boxes" menu.
void OnInitMenuPopup(HWND window, HMENU menu, bool systemMenu);
// WM_CONTEXTMENU: the menu of the list row under the cursor.
INT_PTR OnContextMenu(HWND window, HWND control, LPARAM screenPoint);

// Whether "Sho&w headers.." is offered for the entry: it has mail and no check of it runs.
bool headersCanBeShown(const MailboxEntry& entry);
