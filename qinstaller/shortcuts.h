// The Start menu program group and the shell links of the installer.
#pragma once
#include <windows.h>
#include <shlobj.h>

// Creates the program group's folder below the all-users programs folder, or below the user's
// own where the system has no all-users one, and gives its path out. The path is given out even
// when the folder could not be made, so that links tried there fail on their own.
bool CreateProgramGroup(const char* name, char (&folder)[MAX_PATH]);

// Writes a link named linkFileName ("<name>.lnk") into the program group folder that
// CreateProgramGroup made, and gives its full path out.
bool CreateStartMenuShortcut(const char* groupFolder, const char* linkFileName, const char* target,
                             const char* description, char (&linkPath)[MAX_PATH]);

// Writes a link named linkFileName onto the desktop and gives its full path out.
bool CreateDesktopShortcut(const char* linkFileName, const char* target, const char* description,
                           char (&linkPath)[MAX_PATH]);

// Saves a shell link at link that points to target; the COM status, 0 on success.
HRESULT CreateShellLink(const char* target, const char* link, const char* description);

// Frees an item list from the shell with the shell's allocator; false when it cannot be had.
bool FreeItemList(LPITEMIDLIST list);
