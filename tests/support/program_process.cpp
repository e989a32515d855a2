// Starting, closing and ending the program under test.
#include "support/program_process.h"
#include <cstdlib>

namespace {

const WORD closeCommand = 40010; // "Close Tessary" in the tray menu
const DWORD windowTimeoutMs = 20000;
const DWORD notEnded = 1234;

} // namespace

std::string copyProgramInto(const std::string& folder, const char* linuxPath)
{
    // The e2e tests run a second time over the i686 release, named by the environment.
    const char* chosen = getenv("TESSARY_E2E_PROGRAM");
    std::string source = std::string("Z:") + (chosen && *chosen ? chosen : linuxPath);
    for (char& c : source)
        if (c == '/')
            c = '\\';
    std::string exe = folder + "tessary.exe";
    return CopyFileA(source.c_str(), exe.c_str(), FALSE) ? exe : std::string();
}

ProgramProcess::~ProgramProcess()
{
    end();
}

bool ProgramProcess::start(const std::string& exe, const std::string& arguments, const std::string& workingDirectory)
{
    end();
    std::string commandLine = "\"" + exe + "\"" + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    for (int attempt = 0; attempt < 3; ++attempt) {
        if (attempt > 0)
            Sleep(500);
        if (CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, workingDirectory.c_str(),
                           &startup, &process)) {
            startError = 0;
            return true;
        }
        startError = GetLastError();
    }
    return false;
}

bool ProgramProcess::launch(const std::string& exe, const std::string& arguments, const std::string& workingDirectory)
{
    return start(exe, arguments, workingDirectory) && driver.attach(process.dwProcessId, windowTimeoutMs);
}

DWORD ProgramProcess::waitForExit(DWORD timeoutMs)
{
    DWORD code = notEnded;
    if (process.hProcess && WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    return code;
}

DWORD ProgramProcess::closeAndWait()
{
    driver.command(closeCommand);
    return waitForExit(windowTimeoutMs);
}

bool ProgramProcess::running() const
{
    return process.hProcess && WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

void ProgramProcess::end()
{
    if (!process.hProcess)
        return;
    if (running()) {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    process = {};
}
