// The fake open-file dialog: copies the chosen path into the caller's buffer as the platform does.
#include "support/fake_open_file.h"
#include <cstring>

namespace {
FakeOpenFile* current = nullptr;

std::string filterText(const char* filter)
{
    std::string text;
    if (!filter)
        return text;
    for (const char* p = filter; *p || p[1]; ++p) // ends at the double NUL
        text += *p ? *p : '|';
    return text;
}
} // namespace

FakeOpenFile::FakeOpenFile() : saved_(openFileCalls)
{
    current = this;
    openFileCalls.GetOpenFileNameA = getOpenFileName;
}

FakeOpenFile::~FakeOpenFile()
{
    openFileCalls = saved_;
    current = nullptr;
}

BOOL WINAPI FakeOpenFile::getOpenFileName(LPOPENFILENAMEA record)
{
    RecordedOpenFile call = { record->hwndOwner,
                              record->lStructSize,
                              filterText(record->lpstrFilter),
                              record->nFilterIndex,
                              record->lpstrFile ? record->lpstrFile : "",
                              record->nMaxFile,
                              record->lpstrInitialDir != nullptr,
                              record->lpstrTitle ? record->lpstrTitle : "",
                              record->Flags };
    current->calls.push_back(call);
    if (current->answers.empty())
        return FALSE;
    std::string path = current->answers.front();
    current->answers.pop_front();
    if (path.empty() || path.size() >= record->nMaxFile)
        return FALSE;
    std::memcpy(record->lpstrFile, path.c_str(), path.size() + 1);
    return TRUE;
}
