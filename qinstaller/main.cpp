// Entry point of qinstaller.exe.
#include "program_start.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    return RunInstaller(instance);
}
