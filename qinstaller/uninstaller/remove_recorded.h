// Removing what an installation recorded in "quninst.dat": its files, its folders (deepest
// first) and its uninstall registry key. Whatever is already gone counts as removed.
#pragma once
#include "uninstall_data.h"
#include <string>

struct RemovalResult {
    int leftCount = 0;     // recorded things that still exist afterwards
    std::string leftOver;  // their names, one a line
};

// Deletes the recorded files (and extraFile, the uninstaller's own copy in the folder, when not
// null), then removes the recorded folders from the deepest up, then deletes the key.
RemovalResult RemoveRecorded(const UninstallData& data, const char* extraFile);

// Only a key of its own below "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\" is ever
// deleted, whatever a damaged file names.
bool IsUninstallKeyPath(const char* keyPath);
