// Window messages that cross from worker threads (and the shell) to the main window.
// Values are fixed: they are part of how the workers and the window talk.
#pragma once
#include <windows.h>

const UINT WM_CHECK_DONE     = 0x8001; // wParam: the MailboxEntry whose session ran
const UINT WM_CHECK_FAILED   = 0x8002; // wParam: the MailboxEntry; Winsock could not be started
const UINT WM_TRAY_NOTIFY    = 0x8003; // wParam: tray icon id; lParam: the mouse message
const UINT WM_WATCH_ENDED    = 0x8004; // wParam: the MailboxEntry; its watch ended with nothing to report
const UINT WM_DIAL_FAILED    = 0x804D; // wParam: the DialWorker
const UINT WM_DIAL_CONNECTED = 0x804E; // wParam: the DialWorker
// Posted by the main window to itself while it is created, so that the box about a damaged
// entry list opens once the window runs rather than inside its creation.
const UINT WM_ENTRY_LIST_WARNING = 0x8010;
// Posted by the edit dialog's sign-in thread to the dialog when the browser sign-in has ended.
const UINT WM_SIGN_IN_DONE = 0x8030;
// Posted by the device sign-in's thread to its dialog once the service has given the code.
const UINT WM_DEVICE_CODE_SHOWN = 0x8031;
