// Drives another process's windows from outside, as a user would: finds its dialogs and message
// boxes, reads their texts and presses their buttons. Every wait is bounded.
#pragma once
#include <windows.h>
#include <functional>
#include <string>

std::string windowText(HWND window);
std::string windowClass(HWND window);
// The texts of a message box's static controls, joined by newlines.
std::string boxText(HWND box);
DWORD windowProcess(HWND window);

// The first visible top-level dialog (class "#32770") that match accepts, or null after
// timeoutMs.
HWND waitForDialog(const std::function<bool(HWND)>& match, DWORD timeoutMs);

// Posts a button's click to its dialog, as the dialog manager would send it.
void pressButton(HWND dialog, int id);
void setText(HWND control, const std::string& text);
