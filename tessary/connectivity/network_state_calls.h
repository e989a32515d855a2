// Whether the machine has a network connection now (sensapi's IsNetworkAlive, loaded at run time:
// Windows 95 and NT 4 without a newer Internet Explorer lack it); tests rebind it to script the
// network coming back after a sleep.
#pragma once
#include <windows.h>

struct NetworkStateCalls {
    // Where the call does not exist it answers TRUE: nothing can tell, so the program goes on.
    BOOL (WINAPI *IsNetworkAlive)(LPDWORD flags);
};
extern NetworkStateCalls networkStateCalls;
