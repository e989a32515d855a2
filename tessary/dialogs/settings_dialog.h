// The settings dialog (template 111, "Tessary Settings"): the program-wide options, the voice,
// the speech engine's speed and the engine's own dialogs.
#pragma once
#include <windows.h>
#include "storage/settings.h"

// The dialog procedure; the creation parameter is the Settings record it edits.
INT_PTR CALLBACK SettingsDlg(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Opens it modally on record: 1 after OK or the close box, 2 after Cancel, -1 when the dialog
// could not be created.
INT_PTR OpenSettingsDialog(HWND owner, Settings* record);

// Copies the controls into the record; always true.
bool ReadSettingsControls(HWND dialog, Settings& record);
// "Speak msg from addresses" and "Speak msg subjects" only while results are spoken.
void UpdateSpeakDetailControls(HWND dialog);
