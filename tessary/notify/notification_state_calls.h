// Windows' answer to "may a program disturb the user now?" (shell32's SHQueryUserNotificationState,
// Vista and later), loaded at run time; tests rebind it to script the user's state.
#pragma once
#include <windows.h>

// The states the shell answers with; the headers of the older Windows the program builds for do
// not declare them.
enum UserNotificationState : int {
    NotificationStateNotPresent = 1,        // QUNS_NOT_PRESENT: screen saver, locked, switching users
    NotificationStateBusy = 2,              // QUNS_BUSY: a full-screen application
    NotificationStateFullScreenD3D = 3,     // QUNS_RUNNING_D3D_FULL_SCREEN: a full-screen game or video
    NotificationStatePresentation = 4,      // QUNS_PRESENTATION_MODE: presentation settings are on
    NotificationStateAcceptsNotifications = 5, // QUNS_ACCEPTS_NOTIFICATIONS
    NotificationStateQuietTime = 6,         // QUNS_QUIET_TIME: quiet hours, Focus Assist, Do Not Disturb
    NotificationStateApp = 7,               // QUNS_APP: a Store application is in front
};

struct NotificationStateCalls {
    // Bound to shell32's function where it exists; elsewhere it answers E_NOTIMPL.
    HRESULT (WINAPI *SHQueryUserNotificationState)(UserNotificationState* state);
};
extern NotificationStateCalls notificationStateCalls;
