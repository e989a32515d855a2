// "inst.dat": what a release installs (files, shortcuts, registration), read-only for the installer.
#pragma once
#include <windows.h>
#include <cstdint>

extern const char installDataMagic[]; // "QIDAT_v0105"

// Each list of "inst.dat" holds 1 to 2000 names.
const int32_t smallestListCount = 1;
const int32_t largestListCount = 2000;

// Every string is an owned NUL-terminated heap copy or null (the file's length 0). The lists are
// arrays of such strings; a null name is an unusable entry.
struct InstallData {
    char* welcomeText = nullptr;
    char* uninstallNote = nullptr;
    char defaultDestination[MAX_PATH] = {};
    char* defaultSubfolder = nullptr;
    char* uninstallKeyName = nullptr;
    char* displayName = nullptr;
    uint8_t createStartMenuIcons = 0;
    uint8_t createDesktopIcon = 0;
    int32_t fileCount = 0;
    char** files = nullptr;
    int32_t extraFileCount = 0;
    char** extraFiles = nullptr;
    char* programGroup = nullptr;
    int32_t shortcutCount = 0;
    char** shortcutTargets = nullptr;
    char** shortcutNames = nullptr;
    char* desktopTarget = nullptr;
    char* desktopName = nullptr;

    InstallData() = default;
    ~InstallData() { release(); }
    InstallData(const InstallData&) = delete;
    InstallData& operator=(const InstallData&) = delete;

    // Frees every string and list and leaves the record empty.
    void release();
};

// True when the whole record was read and the magic and the three counts were valid. A file that
// ends early, a negative string length or a destination of 260 characters or more is refused too;
// what was read before the failure stays in the record until release.
bool LoadInstallData(const char* fileName, InstallData& data);
