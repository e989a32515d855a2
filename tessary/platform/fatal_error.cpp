// Fatal errors end the program: the user is told, the window closes (saving what it holds), and the
// message loop ends with exit code 1.
#include "platform/fatal_error.h"
#include "platform/ui_calls.h"

HWND mainWindow = nullptr;
bool fatalErrorRaised = false;

void FatalError(const char* text)
{
    // One fatal error gives one box: whatever fails while the program ends only ends it.
    bool first = !fatalErrorRaised;
    fatalErrorRaised = true;
    if (first)
        uiCalls.MessageBoxA(nullptr, text, "Tessary Fatal Error", MB_OK | MB_ICONERROR);
    if (mainWindow)
        SendMessageA(mainWindow, WM_CLOSE, 0, 0);
    PostQuitMessage(1);
}
