// Filling, selecting and reading the dial-up combo box over the remote access phonebook.
#include "dialogs/dialup_combo.h"
#include "connectivity/ras_calls.h"
#include "platform/fatal_error.h"
#include <ras.h>
#include <raserror.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

const DWORD nameRecordSize = sizeof(RasEntryName95);

// "RasEnumEntries failed: " and the platform's text for the code. When the platform has no text
// for it, the code itself is named, so the message never shows an unfilled buffer.
void reportEnumerationFailure(DWORD result)
{
    char reason[257];
    reason[0] = '\0';
    if (rasErrorString(result, reason, sizeof reason - 1) != 0 || reason[0] == '\0')
        snprintf(reason, sizeof reason, "error %lu", static_cast<unsigned long>(result));
    reason[sizeof reason - 1] = '\0';
    char text[300];
    snprintf(text, sizeof text, "RasEnumEntries failed: %s", reason);
    FatalError(text);
}

// Adds the phonebook entries to the combo box. False after FatalError.
bool addPhonebookEntries(HWND combo)
{
    RasEntryName95 probe;
    std::memset(&probe, 0, sizeof probe);
    probe.dwSize = nameRecordSize;
    DWORD bufferSize = 0;
    DWORD count = 0;
    DWORD result = rasCalls.RasEnumEntriesA(nullptr, nullptr, &probe, &bufferSize, &count);
    if (result != 0 && result != ERROR_NOT_ENOUGH_MEMORY && result != ERROR_BUFFER_TOO_SMALL) {
        reportEnumerationFailure(result);
        return false;
    }
    DWORD n = bufferSize / nameRecordSize;
    if (n == 0)
        return true;
    RasEntryName95* records = static_cast<RasEntryName95*>(std::calloc(n, nameRecordSize));
    if (!records) {
        reportEnumerationFailure(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    records[0].dwSize = nameRecordSize;
    bufferSize = n * nameRecordSize;
    count = 0;
    result = rasCalls.RasEnumEntriesA(nullptr, nullptr, records, &bufferSize, &count);
    if (result != 0) {
        std::free(records);
        reportEnumerationFailure(result);
        return false;
    }
    if (count > n)
        count = n; // never read past the buffer, whatever count RAS reports
    for (DWORD i = 0; i < count; ++i) {
        records[i].szEntryName[rasEntryNameLength - 1] = '\0';
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(records[i].szEntryName));
    }
    std::free(records);
    return true;
}

} // namespace

bool FillDialupCombo(HWND dialog, int comboId)
{
    HWND combo = GetDlgItem(dialog, comboId);
    if (!addPhonebookEntries(combo))
        return false;
    LRESULT index = SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("Any dialup.."));
    if (index == CB_ERR || index == CB_ERRSPACE) {
        FatalError("CB_INSERTSTRING failed in EBM");
        return false;
    }
    SendMessageA(combo, CB_SETITEMDATA, index, anyDialupMarker);
    return true;
}

void SelectDialupEntry(HWND combo, const MailboxEntry& entry)
{
    LRESULT index = 0;
    if (entry.dialupEntry) {
        index = SendMessageA(combo, CB_FINDSTRING, 0, reinterpret_cast<LPARAM>(entry.dialupEntry));
        if (index == CB_ERR)
            index = 0;
    }
    SendMessageA(combo, CB_SETCURSEL, index, 0);
}

void ReadDialupEntry(HWND dialog, int comboId, MailboxEntry& entry)
{
    HWND combo = GetDlgItem(dialog, comboId);
    LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        index = 0;
    LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, index, 0);
    if (SendMessageA(combo, CB_GETITEMDATA, index, 0) == anyDialupMarker || length == CB_ERR) {
        entry.setDialupEntry(nullptr);
        return;
    }
    std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.back() = '\0';
    entry.setDialupEntry(text.data());
}
