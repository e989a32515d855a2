#include "support/dovecot_maildir.h"
#include <windows.h>
#include <cstdlib>

std::string environment(const char* name)
{
    const char* value = getenv(name);
    return value ? value : "";
}

std::string numberedMessage(int n)
{
    return "From: Sender " + std::to_string(n) + " <sender" + std::to_string(n) +
           "@example.org>\nTo: tester@example.org\nSubject: number " + std::to_string(n) + "\n\nbody\n";
}

namespace {

void deleteFilesIn(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            DeleteFileA((folder + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

} // namespace

void emptyMaildir(const std::string& maildir)
{
    deleteFilesIn(maildir + "new\\");
    deleteFilesIn(maildir + "cur\\");
}
