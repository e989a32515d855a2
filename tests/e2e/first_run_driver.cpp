// Run by first_run_e2e_test inside the Wine prefix that scripts/run made: finds the tessary.exe it
// started, waits for the demo inbox's first check and ends the program through its tray command.
#include <gtest/gtest.h>
#include "support/window_driver.h"
#include <tlhelp32.h>

namespace {

const WORD closeCommand = 40010; // "Close Tessary" in the tray menu
const DWORD startTimeoutMs = 30000;
// The first check waits for the first poll tick (6.5 s); a busy machine may take some more.
const DWORD firstCheckTimeoutMs = 60000;
const DWORD endTimeoutMs = 20000;

DWORD runningProgramId()
{
    DWORD id = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more && !id; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, "tessary.exe") == 0)
            id = entry.th32ProcessID;
    CloseHandle(snapshot);
    return id;
}

} // namespace

TEST(FirstRun, TheDemoInboxIsCheckedAndTheTrayCommandEndsTheProgramWithCodeZero)
{
    DWORD id = 0;
    ASSERT_TRUE(waitUntil([&] { return (id = runningProgramId()) != 0; }, startTimeoutMs))
        << "no tessary.exe runs in this prefix";
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, id);
    ASSERT_NE(nullptr, process);
    WindowDriver driver;
    ASSERT_TRUE(driver.attach(id, startTimeoutMs)) << "tessary.exe runs without its main window";

    EXPECT_TRUE(driver.logShows("Demo inbox: 4 messages, 4 new", firstCheckTimeoutMs)) << driver.log();
    std::vector<ListRow> rows = driver.rows();
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ("Demo inbox", rows[0].name);
    EXPECT_EQ("Demo wrong password", rows[1].name);
    std::vector<HWND> boxes = driver.openBoxes();
    EXPECT_TRUE(boxes.empty()) << "a box waits for an answer: " << boxMessage(boxes[0]);

    driver.command(closeCommand);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process, endTimeoutMs)) << "the tray command did not end it";
    DWORD code = 1234;
    GetExitCodeProcess(process, &code);
    EXPECT_EQ(0u, code);
    CloseHandle(process);
}
