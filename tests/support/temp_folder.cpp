// Temporary folders and whole-file reads and writes for tests.
#include "support/temp_folder.h"
#include <windows.h>
#include <cstdio>

namespace {
void removeTree(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = folder + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(full + "\\");
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}
} // namespace

TempFolder::TempFolder()
{
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[MAX_PATH + 64];
        snprintf(name, sizeof name, "%stessary-test-%lu-%u\\", base, GetCurrentProcessId(), ++counter);
        if (CreateDirectoryA(name, nullptr)) {
            path_ = name;
            return;
        }
    }
    path_ = std::string(base) + "tessary-test-unavailable\\";
}

TempFolder::~TempFolder()
{
    removeTree(path_);
}

std::string readWholeFile(const std::string& fileName)
{
    std::string bytes;
    FILE* f = fopen(fileName.c_str(), "rb");
    if (!f)
        return bytes;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, got);
    fclose(f);
    return bytes;
}

bool writeWholeFile(const std::string& fileName, const std::string& bytes)
{
    FILE* f = fopen(fileName.c_str(), "wb");
    if (!f)
        return false;
    bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && ok;
}

bool fileExists(const std::string& fileName)
{
    return GetFileAttributesA(fileName.c_str()) != INVALID_FILE_ATTRIBUTES;
}
