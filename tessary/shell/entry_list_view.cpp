// Rebuilding, sorting and animating the rows of the entry list view, and the window's layout.
#include "shell/entry_list_view.h"
#include "shell/main_window_state.h"
#include "platform/fatal_error.h"
#include "platform/ui_calls.h"
#include "resources/resource.h"
#include <commctrl.h>
#include <cstdio>

namespace {

struct Column {
    const char* header;
    int width;
    int format;
};
// Widths in pixels at 96 DPI; together they keep the window at its size (the list is 338 pixels
// wide). "#" is wide enough for the longest result, "err -116", the rest is shared out.
const Column columns[] = {
    { "Name", 96, LVCFMT_LEFT },
    { "Server", 93, LVCFMT_LEFT },
    { "Last Check", 72, LVCFMT_LEFT },
    { "#", 52, LVCFMT_RIGHT },
};
const int listAnimPeriodMs = 120;

HWND listView()
{
    return GetDlgItem(mainWindow, IDC_ENTRY_LIST);
}

// The pixel sizes of the list are for 96 DPI; on a screen with more, everything grows with the
// dialog font so that the texts still fit.
int scaledForScreen(int pixels)
{
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return MulDiv(pixels, dpi > 0 ? dpi : 96, 96);
}

void setItemText(HWND list, int row, int column, const char* text)
{
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
}

void setRowImage(HWND list, int row, int image)
{
    LVITEMA item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = image;
    SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

int CALLBACK compareEntryNames(LPARAM first, LPARAM second, LPARAM)
{
    const char* a = reinterpret_cast<MailboxEntry*>(first)->name;
    const char* b = reinterpret_cast<MailboxEntry*>(second)->name;
    return lstrcmpiA(a ? a : "", b ? b : "");
}

void insertRow(HWND list, MailboxEntry& entry)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = 0x7FFFFFFF; // at the end
    item.pszText = entry.name ? entry.name : const_cast<char*>("");
    item.iImage = rowImage(entry);
    item.lParam = reinterpret_cast<LPARAM>(&entry);
    int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0)
        return;
    setItemText(list, row, 1, entry.server);
    char text[32];
    lastCheckText(entry, text, sizeof text);
    setItemText(list, row, 2, text);
    resultText(entry, text, sizeof text);
    setItemText(list, row, 3, text);
}

void reselect(HWND list, MailboxEntry* entry)
{
    LVFINDINFOA find = {};
    find.flags = LVFI_PARAM;
    find.lParam = reinterpret_cast<LPARAM>(entry);
    int row = static_cast<int>(SendMessageA(list, LVM_FINDITEMA, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(&find)));
    if (row >= 0)
        selectAndFocusRow(row);
}

bool anyCheckRunning()
{
    for (MailboxEntry* entry = app.entries.head; entry; entry = entry->next)
        if (entry->isCheckRunning())
            return true;
    return false;
}

} // namespace

int rowImage(const MailboxEntry& entry)
{
    if (dialInProgress() && app.dialingEntry == &entry)
        return ImageDialing;
    if (entry.waitingForDialup == 1)
        return ImageWaitingForLine;
    if (entry.isCheckRunning() && !entry.workerParams.idling)
        return ImageChecking;
    if (entry.enabled && entry.lastResult > 0)
        return ImageMailWaiting;
    return entry.enabled ? ImageIdle : ImageDisabled;
}

void lastCheckText(const MailboxEntry& entry, char* text, size_t size)
{
    static const char* const dayNames[] = { "Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat" };
    const SYSTEMTIME& t = entry.lastCheckTime;
    if (entry.isCheckRunning() && entry.workerParams.idling)
        snprintf(text, size, "watching");
    else if (t.wYear == 0)
        snprintf(text, size, "not checked");
    else
        snprintf(text, size, "%s %.2d:%.2d", dayNames[t.wDayOfWeek % 7], t.wHour, t.wMinute);
}

void resultText(const MailboxEntry& entry, char* text, size_t size)
{
    long result = entry.lastResult;
    snprintf(text, size, result < 0 ? "err %ld" : "%ld", result);
}

void SetUpEntryListView(HWND window)
{
    HWND list = GetDlgItem(window, IDC_ENTRY_LIST);
    for (int i = 0; i < 4; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = columns[i].format;
        column.cx = scaledForScreen(columns[i].width);
        column.pszText = const_cast<char*>(columns[i].header);
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    static const int imageIcons[] = { IDI_ENTRY_IDLE,      IDI_ENTRY_DISABLED,   IDI_ENTRY_CHECKING,
                                       IDI_ENTRY_DIALING,   IDI_ENTRY_CHECKING_2, IDI_ENTRY_CHECKING_3,
                                       IDI_ENTRY_MAIL,      IDI_ENTRY_WAITING };
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    int imageSize = GetSystemMetrics(SM_CXSMICON); // 16 at 96 DPI, 24 at 144 DPI
    app.listImages = ImageList_Create(imageSize, imageSize, ILC_COLOR4 | ILC_MASK, 8, 0);
    for (int id : imageIcons) {
        HICON icon = static_cast<HICON>(
            LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, imageSize, imageSize, 0));
        ImageList_AddIcon(app.listImages, icon);
        DestroyIcon(icon);
    }
    SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(app.listImages));
    LayoutWindow(window);
}

void ReleaseEntryListImages()
{
    if (app.listImages)
        ImageList_Destroy(app.listImages);
    app.listImages = nullptr;
}

void LayoutWindow(HWND window)
{
    int width = 25;
    for (const Column& column : columns)
        width += column.width;
    width = scaledForScreen(width);
    int margin = scaledForScreen(8);
    HWND list = GetDlgItem(window, IDC_ENTRY_LIST);
    HWND log = GetDlgItem(window, IDC_LOG);
    RECT listRect, windowRect, clientRect, logRect;
    if (!GetWindowRect(list, &listRect)) {
        FatalError("GetWindowRect failed!");
        return;
    }
    if (!GetWindowRect(window, &windowRect)) {
        FatalError("GetWindowRect failed dlg!");
        return;
    }
    if (!GetClientRect(window, &clientRect)) {
        FatalError("GetWindowRect client failed dlg!");
        return;
    }
    if (!GetWindowRect(log, &logRect)) {
        FatalError("GetWindowRect failed log!");
        return;
    }
    int listHeight = listRect.bottom - listRect.top;
    MoveWindow(list, margin, 0, width, listHeight, FALSE);
    MoveWindow(log, margin, listHeight + margin, width, logRect.bottom - logRect.top, FALSE);
    int frame = (windowRect.right - windowRect.left) - (clientRect.right - clientRect.left);
    MoveWindow(window, windowRect.left, windowRect.top, width + 2 * margin + frame,
               windowRect.bottom - windowRect.top, TRUE);
}

int selectedRow()
{
    return static_cast<int>(SendMessageA(listView(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void selectAndFocusRow(int row)
{
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(listView(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

bool rowEntry(int row, MailboxEntry*& entry)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(listView(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return false;
    entry = reinterpret_cast<MailboxEntry*>(item.lParam);
    return true;
}

void RefreshEntryList()
{
    if (!mainWindow)
        return; // the window is gone (a fatal error closed it): nothing to show
    HWND list = listView();
    MailboxEntry* selected = nullptr;
    int row = selectedRow();
    if (row >= 0 && !rowEntry(row, selected)) {
        FatalError("Could not getitem selected in entrylist update!");
        return;
    }
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (MailboxEntry* entry = app.entries.head; entry; entry = entry->next)
        if (entry->server)
            insertRow(list, *entry);
    SendMessageA(list, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(compareEntryNames));
    if (selected)
        reselect(list, selected);
}

void UpdateListAnimation()
{
    if (!mainWindow)
        return;
    if (anyCheckRunning()) {
        if (app.listAnimRunning)
            return;
        if (SetTimer(mainWindow, IDT_LIST_ANIM, listAnimPeriodMs, nullptr))
            app.listAnimRunning = true;
        else
            uiCalls.MessageBoxA(mainWindow, "Could not create list animation timer!", "Tessary",
                                MB_OK | MB_ICONWARNING);
    } else if (app.listAnimRunning) {
        KillTimer(mainWindow, IDT_LIST_ANIM);
        app.listAnimRunning = false;
    }
}

void StepListAnimation()
{
    if (!mainWindow)
        return;
    static const int frameImages[] = { ImageChecking, ImageChecking2, ImageChecking3, ImageChecking2 };
    app.listAnimFrame = (app.listAnimFrame + 1) % 4;
    HWND list = listView();
    int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        MailboxEntry* entry = nullptr;
        if (!rowEntry(row, entry)) {
            FatalError("error getting listview item for animation!");
            return;
        }
        if (!app.entries.contains(entry)) {
            FatalError("invalid listview item ptr!");
            return;
        }
        if (!entry->isCheckRunning())
            continue;
        if (!entry->workerParams.idling) {
            setRowImage(list, row, frameImages[app.listAnimFrame]);
            continue;
        }
        // Between its wake-ups a watching entry is shown as watching, not as a running check.
        setRowImage(list, row, rowImage(*entry));
        char text[32];
        lastCheckText(*entry, text, sizeof text);
        setItemText(list, row, 2, text);
    }
}
