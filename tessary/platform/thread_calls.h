// Starting threads through a table, so tests can make a start fail as a platform short of
// resources would; this machine cannot be made to refuse a thread.
#pragma once
#include <windows.h>

struct ThreadCalls {
    HANDLE (WINAPI *CreateThread)(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                                  LPVOID parameter, DWORD flags, LPDWORD threadId);
};
extern ThreadCalls threadCalls;
