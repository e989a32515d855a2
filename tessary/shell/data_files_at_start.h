// Reading the data files when the main window is created: the data folder line of the log, and
// what the user is told about an entry list or settings file that was damaged, could not be read,
// or was put back from the "<name>.new" of an interrupted save.
#pragma once
#include <windows.h>
#include "storage/entry_list.h"
#include "storage/settings.h"

// Chooses the data folder for this start (storage/data_folder.h) and logs the folder in use, then
// anything that went wrong on the way.
void ChooseDataFolderAtStart();

// Loads the entry list from the data folder and logs what was wrong with it, and each entry whose
// stored password this user cannot read. A list that could not
// be read in full is also announced in a box once the window runs: the window is posted
// WM_ENTRY_LIST_WARNING, which it hands to ShowEntryListWarning.
void LoadEntryListAtStart(HWND window, EntryList& entries);

// Reads oauth.ini from the data folder into the sign-in's providers, and logs one warning when it
// held anything that was ignored. A missing file says nothing.
void ReadOAuthIniAtStart();

// Loads the settings from the data folder over their defaults and logs what was wrong with the
// file. False when no settings were read: a first run, or a file that was set aside.
bool LoadSettingsAtStart(Settings& settings);

// The box about the entry list, caption "Tessary"; shown once, later calls do nothing.
void ShowEntryListWarning(HWND window);
