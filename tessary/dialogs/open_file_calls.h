// The platform's open-file dialog, through openFileCalls so that a test can answer it instead of
// a user.
#pragma once
#include <windows.h>
#include <commdlg.h>

struct OpenFileCalls {
    BOOL (WINAPI *GetOpenFileNameA)(LPOPENFILENAMEA record);
};
extern OpenFileCalls openFileCalls;
