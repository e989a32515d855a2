// Binds the network state seam to sensapi.dll, looked up on first use.
#include "connectivity/network_state_calls.h"

namespace {

typedef BOOL (WINAPI *IsNetworkAliveProc)(LPDWORD);

BOOL WINAPI isNetworkAliveFromSensapi(LPDWORD flags)
{
    static IsNetworkAliveProc proc = nullptr;
    static bool tried = false;
    if (!tried) {
        tried = true;
        if (HMODULE sens = LoadLibraryA("sensapi.dll"))
            proc = reinterpret_cast<IsNetworkAliveProc>(reinterpret_cast<void*>(GetProcAddress(sens, "IsNetworkAlive")));
    }
    if (proc)
        return proc(flags);
    if (flags)
        *flags = 1; // NETWORK_ALIVE_LAN
    return TRUE;
}

} // namespace

NetworkStateCalls networkStateCalls = {
    isNetworkAliveFromSensapi,
};
