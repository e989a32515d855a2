// The header viewer shows one message at a time: its decoded sender, date and subject above its
// header block. Each block is copied under the entry's lock when it is chosen, so that a check
// finishing at that moment cannot free it while it is read; the dialog then shows its own copy.
#include "dialogs/header_dialog.h"
#include "mailcheck/header_marks.h"
#include "platform/fatal_error.h"
#include "notify/ui_text.h"
#include "resources/resource.h"
#include "text/readable_fields.h"
#include <commctrl.h>
#include <cstdio>
#include <string>

namespace {

MailboxEntry* entryOf(HWND dialog)
{
    return reinterpret_cast<MailboxEntry*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// The messages the last check left to show: past headerCount there are no texts, so the count
// stops there even if lastResult is larger.
int messagesToShow(const MailboxEntry& entry)
{
    int count = entry.lastResult < entry.headerCount ? entry.lastResult : entry.headerCount;
    return count > 0 ? count : 0;
}

// A copy of the block at index and its marks, or an empty text when there is none (any more).
std::string copyOfHeader(MailboxEntry& entry, int index, uint8_t& marks)
{
    std::string block;
    marks = 0;
    EnterCriticalSection(&entry.lock);
    if (index >= 0 && index < messagesToShow(entry))
        if (const char* header = entry.getHeader(index)) {
            block = header;
            marks = entry.getHeaderMarks(index);
        }
    LeaveCriticalSection(&entry.lock);
    return block;
}

void showField(HWND dialog, int control, const std::string& block, HeaderFieldKind which)
{
    std::wstring value;
    decodedHeaderValue(block.c_str(), which, value);
    sendTextMessage(GetDlgItem(dialog, control), WM_SETTEXT, 0, value);
}

// The line shown before a block that is not whole, so that nobody takes it for all the server has.
const char* headerNotice(uint8_t marks)
{
    if (marks & headerReduced)
        return "[Too many headers to keep them all: only the main fields of this message are shown.]\r\n";
    if (marks & headerCut)
        return "[This message's headers are longer than 256 KB: they are cut after the last whole line.]\r\n";
    return nullptr;
}

// Shows message number (counted from 1). The block goes to the field in one WM_SETTEXT: appending
// piece by piece makes the control lay out its text again each time, which a large block feels.
void showMessage(HWND dialog, int number)
{
    MailboxEntry* entry = entryOf(dialog);
    if (!entry)
        return;
    uint8_t marks;
    std::string block = copyOfHeader(*entry, number - 1, marks);
    showField(dialog, IDC_HDR_FROM, block, SenderField);
    showField(dialog, IDC_HDR_DATE, block, DateField);
    showField(dialog, IDC_HDR_SUBJECT, block, SubjectField);
    HWND text = GetDlgItem(dialog, IDC_HDR_TEXT);
    if (const char* notice = headerNotice(marks))
        block.insert(0, notice);
    SetWindowTextA(text, block.c_str());
    SendMessageA(text, EM_SETSEL, 0, 0);
}

void setUpMessageChoice(HWND dialog, int count)
{
    char ofCount[32];
    snprintf(ofCount, sizeof ofCount, "of %d", count);
    SetDlgItemTextA(dialog, IDC_HDR_MESSAGE_COUNT, ofCount);
    HWND spin = GetDlgItem(dialog, IDC_HDR_MESSAGE_SPIN);
    SendMessageA(spin, UDM_SETRANGE32, count > 0 ? 1 : 0, count);
    SendMessageA(spin, UDM_SETPOS32, 0, count > 0 ? 1 : 0);
    EnableWindow(GetDlgItem(dialog, IDC_HDR_MESSAGE), count > 1);
    EnableWindow(spin, count > 1);
}

INT_PTR onInitDialog(HWND dialog, LPARAM parameter)
{
    MailboxEntry* entry = reinterpret_cast<MailboxEntry*>(parameter);
    if (!entry) {
        FatalError("No ptr passed for HeaderDlg");
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(entry));
    SetDlgItemTextA(dialog, IDC_HDR_MAILBOX, entry->name ? entry->name : "");
    HWND edit = GetDlgItem(dialog, IDC_HDR_TEXT);
    // A large header block must not be cut at the edit control's default limit.
    SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
    EnterCriticalSection(&entry->lock);
    int count = messagesToShow(*entry);
    LeaveCriticalSection(&entry->lock);
    setUpMessageChoice(dialog, count);
    showMessage(dialog, 1);
    // The field takes the focus with the caret at the top, rather than all of its text selected.
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, 0);
    return FALSE;
}

// The message number was typed or stepped with the arrows; a number out of range shows nothing.
void onMessageNumberChanged(HWND dialog)
{
    BOOL read = FALSE;
    UINT number = GetDlgItemInt(dialog, IDC_HDR_MESSAGE, &read, FALSE);
    if (read && number > 0 && number <= 0x7FFFFFFF)
        showMessage(dialog, static_cast<int>(number));
}

INT_PTR onCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case IDC_HDR_MESSAGE:
        if (HIWORD(wParam) == EN_CHANGE)
            onMessageNumberChanged(dialog);
        return TRUE;
    }
    return FALSE;
}

} // namespace

INT_PTR CALLBACK HeaderDlg(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog, lParam);
    case WM_COMMAND:
        return onCommand(dialog, wParam);
    case WM_CLOSE:
        EndDialog(dialog, IDOK);
        return TRUE;
    }
    return FALSE;
}

INT_PTR OpenHeaderDialog(HWND owner, MailboxEntry* entry)
{
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_HEADERS), owner, HeaderDlg,
                           reinterpret_cast<LPARAM>(entry));
}
