// The installer's process-wide state.
#include "installer_state.h"

char installerFolder[MAX_PATH];
HWND installerDialog = nullptr;
InstallData installData;
UninstallData installRecord;
char destination[MAX_PATH];
