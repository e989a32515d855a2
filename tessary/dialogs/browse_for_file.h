// The file choice behind every "Browse for ..." button of the actions dialog and the wizard.
#pragma once
#include <windows.h>

// Shows the open-file dialog owned by dialog, offering one filter (description and pattern), with
// the given title. When the user confirms an existing file, its full path replaces the text of
// control targetId and the answer is true; on Cancel (or a failure) the control keeps its text.
bool BrowseForFile(HWND dialog, const char* description, const char* pattern, const char* title, int targetId);
