// The mail watcher's entry point: one instance per session, the program folder, COM and the
// common controls, the main window and the message loop.
#include "shell/main_window.h"
#include "shell/startup.h"
#include "platform/fatal_error.h"
#include <commctrl.h>
#include <objbase.h>

namespace {

void bringFirstInstanceForward()
{
    HWND first = mainWindowCell;
    ShowWindow(first, SW_SHOW);
    UpdateWindow(first);
    SetForegroundWindow(first);
}

int runMessageLoop()
{
    MSG message = {};
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    while (message.message != WM_QUIT) {
        if (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "TessaryInstance");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        bringFirstInstanceForward();
        if (mutex)
            CloseHandle(mutex);
        return 0;
    }
    char path[1024];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        FatalError("Error GetModuleFileName() at startup!");
        return 0;
    }
    if (!GetFolderPath(path, programFolder, sizeof programFolder)) {
        FatalError("Error GetFolderPath() at startup!");
        return 0;
    }
    CoInitialize(nullptr);
    InitCommonControls();
    if (!CreateMainWindow(instance)) {
        int exitCode = MainWindowNotCreated();
        CoUninitialize();
        CloseHandle(mutex);
        return exitCode;
    }
    int exitCode = runMessageLoop();
    DestroyMainWindowLeftOpen();
    CoUninitialize();
    ReleaseMutex(mutex);
    CloseHandle(mutex);
    return exitCode;
}
