// Binds the tray's seam to shell32; the functions older shells lack are looked up at run time.
#include "shell/shell_notify_calls.h"

namespace {

FARPROC shellFunction(const char* name)
{
    HMODULE shell = GetModuleHandleA("shell32.dll");
    if (!shell)
        shell = LoadLibraryA("shell32.dll");
    return shell ? GetProcAddress(shell, name) : nullptr;
}

typedef BOOL (WINAPI *NotifyWideProc)(DWORD, PNOTIFYICONDATAW);
typedef HRESULT (CALLBACK *GetVersionProc)(DLLVERSIONINFO*);

// Looked up once, on the user-interface thread that owns the tray icon.
NotifyWideProc notifyWide = nullptr;
bool notifyWideLookedUp = false;
GetVersionProc getVersion = nullptr;
bool getVersionLookedUp = false;

BOOL WINAPI notifyIconWide(DWORD message, PNOTIFYICONDATAW data)
{
    if (!notifyWideLookedUp) {
        notifyWideLookedUp = true;
        notifyWide = reinterpret_cast<NotifyWideProc>(reinterpret_cast<void*>(shellFunction("Shell_NotifyIconW")));
    }
    return notifyWide ? notifyWide(message, data) : FALSE;
}

HRESULT CALLBACK shellVersion(DLLVERSIONINFO* info)
{
    if (!getVersionLookedUp) {
        getVersionLookedUp = true;
        getVersion = reinterpret_cast<GetVersionProc>(reinterpret_cast<void*>(shellFunction("DllGetVersion")));
    }
    return getVersion ? getVersion(info) : E_NOTIMPL;
}

} // namespace

ShellNotifyCalls shellNotifyCalls = {
    ::Shell_NotifyIconA,
    notifyIconWide,
    shellVersion,
};
