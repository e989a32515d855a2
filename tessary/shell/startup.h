// What the program knows about where and how it was started.
#pragma once
#include <windows.h>
#include <cstddef>

// The executable's folder with its trailing backslash. Made the current directory before every
// access to the help file, whatever the working directory at start. The data files live in the
// data folder (storage/data_folder.h), which is this folder wherever the program may write here.
extern char programFolder[256];

// The first instance's main window, in a data section every process of the program shares, so a
// second start can bring it forward.
extern HWND mainWindowCell;

// Puts the part of path up to and including its last backslash into folder ("" when there is
// none). 0 when path does not fit folderSize with its terminator, else 1.
int GetFolderPath(const char* path, char* folder, size_t folderSize);

// Whether the command line carries " /m": started by the system at log-on.
bool startedAtLogOn(const char* commandLine);

// Makes programFolder the current directory.
void enterProgramFolder();
