// Creation of both speech engines' COM objects, and the old engine's waits for speech to end.
// Through speechCalls, so tests can hand the wrapper fake engine objects and see the waits.
#pragma once
#include <windows.h>
#include <objbase.h>

struct SpeechCalls {
    HRESULT (WINAPI *CoCreateInstance)(REFCLSID classId, LPUNKNOWN outer, DWORD context, REFIID iid,
                                       LPVOID* object);
    VOID (WINAPI *Sleep)(DWORD milliseconds);
};
extern SpeechCalls speechCalls;
