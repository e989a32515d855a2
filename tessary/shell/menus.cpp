// System menu commands, menu bar greying and the list view's context menu.
#include "shell/menus.h"
#include "shell/commands.h"
#include "shell/entry_list_view.h"
#include "shell/main_window_state.h"
#include "shell/popup_menu.h"
#include "shell/tray_icon.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <windowsx.h>

namespace {

const int boxesMenuPosition = 1;

void enable(HMENU menu, UINT command, bool enabled)
{
    EnableMenuItem(menu, command, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

MailboxEntry* listedSelection()
{
    int row = selectedRow();
    MailboxEntry* entry = nullptr;
    if (row < 0 || !rowEntry(row, entry) || !app.entries.contains(entry))
        return nullptr;
    return entry;
}

} // namespace

bool headersCanBeShown(const MailboxEntry& entry)
{
    // A watch between its wake-ups holds its headers still (see ShowHeadersCommand).
    return entry.lastResult >= 1 && (!entry.isCheckRunning() || entry.workerParams.idling);
}

INT_PTR OnSysCommand(HWND window, WPARAM command)
{
    if (LOWORD(command) == IDM_ABOUT) {
        OnCommand(window, IDM_ABOUT);
        return TRUE;
    }
    if ((command & 0xFFF0) == SC_MINIMIZE) {
        if (app.trayAnimRunning)
            stopTrayAnimation(window);
        if (app.settings.runInTray) {
            ShowWindow(window, SW_HIDE);
            UpdateWindow(window);
            return TRUE;
        }
    }
    return FALSE;
}

void OnInitMenuPopup(HWND window, HMENU menu, bool systemMenu)
{
    if (systemMenu || menu != GetSubMenu(GetMenu(window), boxesMenuPosition))
        return;
    bool selected = selectedRow() >= 0;
    enable(menu, IDM_EDIT, selected);
    enable(menu, IDM_REMOVE, selected);
    enable(menu, IDM_CHECK_SELECTED, selected);
    MailboxEntry* entry = selected ? listedSelection() : nullptr;
    enable(menu, IDM_SHOW_HEADERS, entry && headersCanBeShown(*entry));
}

INT_PTR OnContextMenu(HWND window, HWND control, LPARAM screenPoint)
{
    HWND list = GetDlgItem(window, IDC_ENTRY_LIST);
    if (control != list)
        return FALSE;
    POINT at = { GET_X_LPARAM(screenPoint), GET_Y_LPARAM(screenPoint) };
    LVHITTESTINFO hit = {};
    hit.pt = at;
    ScreenToClient(list, &hit.pt);
    int row = static_cast<int>(SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (row < 0 || !(hit.flags & LVHT_ONITEM))
        return FALSE;
    selectAndFocusRow(row);
    MailboxEntry* entry = listedSelection();
    PopupMenu menu;
    if (!menu.create())
        return TRUE;
    bool built = menu.add(IDM_EDIT, "&Edit") && menu.add(IDM_REMOVE, "&Remove") &&
                 menu.add(IDM_CHECK_SELECTED, "&Check now") &&
                 (!(entry && entry->runMailProgram) || menu.add(IDM_RUN_SELECTED_EMAIL_APP, "R&un email app")) &&
                 (!(entry && headersCanBeShown(*entry)) || menu.add(IDM_SHOW_HEADERS, "Sho&w headers.."));
    if (!built)
        return TRUE;
    menu.setDefault(IDM_CHECK_SELECTED);
    menu.track(window, at);
    return TRUE;
}
