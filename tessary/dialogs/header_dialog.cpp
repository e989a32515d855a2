// The header viewer copies the header texts under the entry's lock, so that a check finishing at
// that moment cannot free them while they are read; afterwards it shows its own copy.
#include "dialogs/header_dialog.h"
#include "mailcheck/header_marks.h"
#include "platform/fatal_error.h"
#include "resources/resource.h"

namespace {

void appendText(HWND edit, const char* text)
{
    int length = GetWindowTextLengthA(edit);
    SendMessageA(edit, EM_SETSEL, length, length);
    SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
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

INT_PTR onInitDialog(HWND dialog, LPARAM parameter)
{
    MailboxEntry* entry = reinterpret_cast<MailboxEntry*>(parameter);
    if (!entry) {
        FatalError("No ptr passed for HeaderDlg");
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    }
    SetDlgItemTextA(dialog, IDC_HDR_MAILBOX, entry->name ? entry->name : "");
    HWND edit = GetDlgItem(dialog, IDC_HDR_TEXT);
    // A long list of headers must not be cut at the edit control's default limit.
    SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);
    EnterCriticalSection(&entry->lock);
    // Past headerCount there are no texts, so the loop stops there even if lastResult is larger.
    int count = entry->lastResult < entry->headerCount ? entry->lastResult : entry->headerCount;
    for (int index = 0; index < count; ++index) {
        const char* header = entry->getHeader(index);
        if (!header)
            continue;
        if (const char* notice = headerNotice(entry->getHeaderMarks(index)))
            appendText(edit, notice);
        appendText(edit, header);
    }
    LeaveCriticalSection(&entry->lock);
    // The field takes the focus with the caret at the top, rather than all of its text selected.
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, 0);
    return FALSE;
}

} // namespace

INT_PTR CALLBACK HeaderDlg(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return onInitDialog(dialog, lParam);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
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
