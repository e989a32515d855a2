// Every resource, control, command and timer id of the mail watcher, grouped by where it is used.
// Shared by the resource script and the code; the numbers are fixed.
#pragma once

// Icons
#define IDI_PROGRAM             102 // window icon
#define IDI_ENTRY_IDLE          106 // list row: enabled, no mail waiting or last check failed
#define IDI_ENTRY_DISABLED      107 // list row: disabled
#define IDI_ENTRY_DIALING       108 // list row: this entry's dial is in progress
#define IDI_ENTRY_CHECKING      109 // list row: check running, first animation frame
#define IDI_TRAY_BLINK_1        113 // tray animation frame after mail arrived
#define IDI_TRAY_BLINK_2        114 // tray animation frame after mail arrived
#define IDI_TRAY                115 // the normal tray icon
#define IDI_ENTRY_CHECKING_2    116 // list row: check running, animation frame
#define IDI_ENTRY_CHECKING_3    117 // list row: check running, animation frame
#define IDI_ENTRY_MAIL          118 // list row: enabled, mail waiting
#define IDI_ENTRY_WAITING       119 // list row: waiting for the dial-up line

// Main window (dialog 101, menu 103)
#define IDD_MAIN                101
#define IDR_MAIN_MENU           103
#define IDC_ENTRY_LIST          1006
#define IDC_LOG                 1053

// Main window timers
#define IDT_POLL                67
#define IDT_TRAY_ANIM           68
#define IDT_LIST_ANIM           69

// Tray icon
#define TRAY_ICON_ID            23

// Commands of the menu bar, the system menu, the list's context menu and the tray menu
#define IDM_ABOUT               16
#define IDM_SETTINGS            40001
#define IDM_ADD_NEW             40002
#define IDM_CHECK_SELECTED      40003
#define IDM_EDIT                40004
#define IDM_ADD_WIZARD          40005
#define IDM_REMOVE              40006
#define IDM_CHECK_ALL           40007
#define IDM_ENABLE_ALL          40008
#define IDM_DISABLE_ALL         40009
#define IDM_CLOSE               40010
#define IDM_HELP_CONTENTS       40011
#define IDM_SHOW_HEADERS        40012
#define IDM_RUN_EMAIL_APP       40013
#define IDM_SHOW_WINDOW         40014
#define IDM_RUN_SELECTED_EMAIL_APP 40022

// About box (dialog 129)
#define IDD_ABOUT               129
#define IDC_ABOUT_WEB_PAGE      1064
