// A stand-in for tessary.exe in the test release while the mail watcher has no program yet:
// something real for the installer to copy and for its links to point at.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
