// tessary.exe as the end-to-end tests run it: a copy in a program folder of the test's, started
// as a process of its own and driven through its window from outside.
#pragma once
#include "support/window_driver.h"
#include <windows.h>
#include <string>

// Copies the program built at linuxPath (Wine shows the Linux file system as drive Z:) into
// folder (with its trailing backslash) as tessary.exe; its path there, or empty on failure.
// TESSARY_E2E_PROGRAM, when set, names another build's program (the i686 release) to copy instead.
std::string copyProgramInto(const std::string& folder, const char* linuxPath);

class ProgramProcess {
public:
    ProgramProcess() = default;
    ~ProgramProcess(); // ends a program that is still running
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    // Starts exe with arguments (a leading blank included) in workingDirectory. Under Wine,
    // CreateProcess has been seen to fail once right after the previous copy ended: it is tried
    // three times, and the last error is kept in startError.
    bool start(const std::string& exe, const std::string& arguments, const std::string& workingDirectory);
    // The same, then waits up to 20 s for its main window.
    bool launch(const std::string& exe, const std::string& arguments, const std::string& workingDirectory);
    // Waits up to timeoutMs for the program to end: its exit code, or 1234 when it has not ended.
    DWORD waitForExit(DWORD timeoutMs);
    // "Close Tessary" as the tray menu sends it, then waitForExit with 20 s.
    DWORD closeAndWait();
    bool running() const;
    // Ends a program still running and lets go of it, so the next start can begin.
    void end();

    WindowDriver driver;
    PROCESS_INFORMATION process = {};
    DWORD startError = 0;
};
