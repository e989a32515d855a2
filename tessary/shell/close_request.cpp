// Closing the main window while one of its modal dialogs runs.
//
// A modal dialog (settings, edit entry with its actions dialog, the add wizard, the header viewer,
// the About box, a message box) disables the main window, its owner, for as long as it runs; and
// the command that opened it goes on with the window once the dialog has returned: it applies the
// settings, saves the entry list, refreshes the rows. Destroying the window underneath would leave
// that command working on a window that is gone. So a close request that arrives meanwhile ("Close
// Tessary" from the tray menu, WM_CLOSE from another program, the close that follows a fatal error)
// is held back until the dialog has ended, and is then posted, so that it runs once the command has
// returned. A fatal error ends the dialogs by itself: its quit message ends every modal loop, and
// the entry point destroys a window still left after the message loop, so what it holds is saved.
// The end of the session destroys nothing: it only saves the settings, which a dialog never holds
// half-changed (the settings dialog works on a copy), so it is not held back.
#include "shell/close_request.h"

namespace {

bool closeHeld = false;

} // namespace

bool HoldCloseWhileModal(HWND window)
{
    if (IsWindowEnabled(window))
        return false;
    closeHeld = true;
    HWND dialog = GetLastActivePopup(window);
    if (dialog && dialog != window)
        SetForegroundWindow(dialog);
    return true;
}

void OnMainWindowEnabled(HWND window)
{
    if (!closeHeld)
        return;
    closeHeld = false;
    PostMessageA(window, WM_CLOSE, 0, 0);
}

void ForgetHeldClose()
{
    closeHeld = false;
}
