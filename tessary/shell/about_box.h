// The About box: the program's name and version, and a button to its web page.
#pragma once
#include <windows.h>

void ShowAboutBox(HWND owner);

// The page the About box's button opens.
extern const char* const productWebPage;
