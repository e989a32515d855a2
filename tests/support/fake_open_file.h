// Answers the open-file dialog instead of a user: records each record it was given and answers
// with the next scripted path ("" for Cancel).
#pragma once
#include "dialogs/open_file_calls.h"
#include <deque>
#include <string>
#include <vector>

struct RecordedOpenFile {
    HWND owner;
    DWORD structSize;
    std::string filter; // NULs shown as '|'
    DWORD filterIndex;
    std::string initialFile;
    DWORD maxFile;
    bool initialFolder;
    std::string title;
    DWORD flags;
};

class FakeOpenFile {
public:
    FakeOpenFile();
    ~FakeOpenFile();
    FakeOpenFile(const FakeOpenFile&) = delete;
    FakeOpenFile& operator=(const FakeOpenFile&) = delete;

    std::deque<std::string> answers; // Cancel once empty
    std::vector<RecordedOpenFile> calls;

private:
    static BOOL WINAPI getOpenFileName(LPOPENFILENAMEA record);
    OpenFileCalls saved_;
};
