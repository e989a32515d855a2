// The main window's commands that open a configuration dialog and act on its result: settings,
// add new, edit, the add wizard and the header viewer.
#pragma once
#include <windows.h>

void OpenSettingsCommand(HWND window);
void AddNewEntryCommand(HWND window);
void EditEntryCommand(HWND window);
void AddWizardCommand(HWND window);
void ShowHeadersCommand(HWND window);
