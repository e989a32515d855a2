// Binds the notification state seam to shell32, looked up at run time: Windows before Vista lack it.
#include "notify/notification_state_calls.h"

namespace {

typedef HRESULT (WINAPI *QueryStateProc)(UserNotificationState*);

HRESULT WINAPI queryStateFromShell(UserNotificationState* state)
{
    static QueryStateProc proc = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (HMODULE shell = LoadLibraryA("shell32.dll"))
            proc = reinterpret_cast<QueryStateProc>(
                reinterpret_cast<void*>(GetProcAddress(shell, "SHQueryUserNotificationState")));
    }
    return proc ? proc(state) : E_NOTIMPL;
}

} // namespace

NotificationStateCalls notificationStateCalls = {
    queryStateFromShell,
};
