// Text from mail (senders, subjects) on its way to the screen and the speech engine: UTF-16 on the
// NT family, whose controls hold Unicode; the ANSI code page on Windows 95/98/ME.
#pragma once
#include <windows.h>
#include <string>

// Whether the platform shows and speaks UTF-16 text (the NT family), asked through the platform
// version seam so tests can take either branch.
bool platformTakesWideText();

// text in the ANSI code page: a character the code page lacks becomes one '?', also where it takes
// two UTF-16 units, and never a look-alike.
std::string ansiFromWide(const std::wstring& text);

// The ANSI code page's text as UTF-16 (null counts as empty).
std::wstring wideFromAnsi(const char* text);

// Messages to a control with a text parameter, sent wide on the NT family (the platform's own
// controls take Unicode from SendMessageW even when created by the "A" functions) and as ANSI
// elsewhere. SendMessageW is looked up at run time: Windows 95 must not need it to start.
LRESULT sendTextMessage(HWND control, UINT message, WPARAM wParam, const std::wstring& text);
// WM_GETTEXTLENGTH in the same units that sendTextMessage's texts take: UTF-16 units on the NT
// family, bytes elsewhere.
size_t controlTextLength(HWND control);
// The control's whole text (WM_GETTEXT in the units above), as UTF-16.
std::wstring controlText(HWND control);
