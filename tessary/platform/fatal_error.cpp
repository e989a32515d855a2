// Fatal errors end the program: the user is told, the window closes (saving what it holds), and the
// message loop ends with exit code 1.
#include "platform/fatal_error.h"
#include "platform/ui_calls.h"

HWND mainWindow = nullptr;
bool fatalErrorRaised = false;

void FatalError(const char* text)
{
    fatalErrorRaised = true;
    uiCalls.MessageBoxA(nullptr, text, "Tessary Fatal Error", MB_OK | MB_ICONERROR);
    if (mainWindow)
        SendMessageA(mainWindow, WM_CLOSE, 0, 0);
    PostQuitMessage(1);
}
