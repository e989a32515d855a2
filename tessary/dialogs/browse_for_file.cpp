// BrowseForFile over the open-file record in its original 76-byte form, which every version of
// the common dialog library accepts.
#include "dialogs/browse_for_file.h"
#include "dialogs/dialog_controls.h"
#include "dialogs/open_file_calls.h"
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {
// The record up to lpTemplateName: the form before the places bar was added.
const DWORD openFileRecordSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
} // namespace

#if !defined(_WIN64)
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "the original OPENFILENAMEA is 76 bytes");
#endif

bool BrowseForFile(HWND dialog, const char* description, const char* pattern, const char* title, int targetId)
{
    // The filter is pairs of texts, each ending in a NUL, and an extra NUL after the last pair.
    char filter[256];
    int descriptionLength = snprintf(filter, sizeof filter, "%s", description) + 1;
    int patternLength = snprintf(filter + descriptionLength, sizeof filter - descriptionLength - 1, "%s", pattern) + 1;
    filter[descriptionLength + patternLength] = '\0';

    char file[fieldTextSize];
    file[0] = '\0';
    OPENFILENAMEA record;
    std::memset(&record, 0, sizeof record);
    record.lStructSize = openFileRecordSize;
    record.hwndOwner = dialog;
    record.lpstrFilter = filter;
    record.nFilterIndex = 0;
    record.lpstrFile = file;
    record.nMaxFile = sizeof file;
    record.lpstrInitialDir = nullptr;
    record.lpstrTitle = title;
    record.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (!openFileCalls.GetOpenFileNameA(&record))
        return false;
    file[sizeof file - 1] = '\0';
    SetDlgItemTextA(dialog, targetId, file);
    showTextEnd(dialog, targetId);
    return true;
}
