// Puts the settings into effect: server timeout, start-up registry value, tray icon, speech and
// the CPU statistic. Runs at the window's creation and after the settings dialog.
#pragma once
#include <windows.h>
#include "storage/settings.h"
#include "shell/startup_entry.h"

// May end the program through FatalError; may switch skipWhenCpuBusy off in settings (on NT).
void ApplySettings(HWND window, Settings& settings);
