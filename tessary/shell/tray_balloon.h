// Notifications over the tray icon (balloons; toasts in the notification centre of Windows 10 and
// 11) where the shell has them, and what a click on one does.
#pragma once
#include <windows.h>
#include <string>
#include "storage/mailbox_entry.h"

enum class BalloonKind { NewMail, Failure };

// Shows title and text (cut to the 63 and 255 characters the shell takes) over the tray icon:
// wide on the NT family, ANSI on Windows 95/98/ME. clickTarget is the entry whose mail program a
// click starts (null: a click shows the window). False, and nothing shown, when the shell has no
// balloons or the program is not in the tray.
bool ShowTrayBalloon(HWND window, const std::wstring& title, const std::wstring& text, BalloonKind kind,
                     const MailboxEntry* clickTarget);

// NIN_BALLOONUSERCLICK: starts the mail program of the last balloon's entry when it has one set,
// and shows the main window otherwise.
void OnBalloonClicked(HWND window);
// The balloon went without a click (NIN_BALLOONTIMEOUT), or the window goes.
void ForgetBalloonTarget();
