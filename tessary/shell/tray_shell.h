// What the shell's tray can do, by shell32's version: balloons and 127-character tips from 5.0
// (Windows 2000 and ME, or 95/98/NT 4 with the newer shell), the large balloon icon and the
// user's quiet time from Windows Vista's shell (6.0.6000). The record sizes follow the version.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <cstddef>

struct TrayShell {
    bool balloons;        // NIF_INFO is understood
    bool vistaBalloons;   // NIIF_LARGE_ICON, NIIF_RESPECT_QUIET_TIME and hBalloonIcon
    DWORD recordSizeA;    // cbSize of NOTIFYICONDATAA for this shell
    DWORD recordSizeW;    // cbSize of NOTIFYICONDATAW for this shell
    size_t tipLimit;      // characters of the tip, without its terminator: 127 or 63
};

// Asks shell32 for its version (through shellNotifyCalls); a shell without DllGetVersion is 4.0.
TrayShell QueryTrayShell();

// Balloon flags the headers of the older Windows the program builds for do not declare.
const DWORD balloonLargeIcon = 0x00000020;       // NIIF_LARGE_ICON, Vista
const DWORD balloonRespectQuietTime = 0x00000080; // NIIF_RESPECT_QUIET_TIME, Windows 7

// The records as Vista's shell knows them: the XP record followed by hBalloonIcon. Declared here
// because the headers for the older Windows stop at guidItem.
template <class Record>
struct WithBalloonIcon {
    Record record;
    HICON balloonIcon;
};
