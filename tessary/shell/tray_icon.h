// The tray icon (identifier 23, callback WM_TRAY_NOTIFY), its tip, and its blinking after mail
// has arrived.
#pragma once
#include <windows.h>
#include "shell/main_window_state.h"

// Shows icon in the tray: modifies the icon, and adds it when it is not there yet.
bool showTrayIcon(HWND window, HICON icon);
// Changes the tray icon's picture (NIM_MODIFY).
void setTrayIcon(HWND window, HICON icon);
void removeTrayIcon(HWND window);
// Sets the tip again when the state it tells has changed (news, failing accounts).
void RefreshTrayTip(HWND window);

// The icon the tray shows between blinks: the error icon while an account cannot be checked.
HICON RestingTrayIcon();
// Puts the resting icon in the tray now when another one shows, unless the tray blinks (its next
// frame brings it).
void ShowRestingTrayIcon(HWND window);

// Starts the blinking unless it runs; false when its timer cannot be created.
bool startTrayAnimation(HWND window);
// One tick of the blinking (IDT_TRAY_ANIM).
void StepTrayAnimation(HWND window);
// Stops the blinking and puts the normal icon back.
void stopTrayAnimation(HWND window);

// The tray callback: clicks show the window or the tray menu; a click on a notification starts
// its entry's mail program or shows the window.
void OnTrayNotify(HWND window, WPARAM id, LPARAM mouseMessage);
