// Benchmark program: tessary.exe watching a folder on the Dovecot of the calling script (IDLE);
// for each of several deliveries into the maildir, the time from the message file being written
// to the log line that reports it, read from the running window as a user would see it.
#include "storage/entry_list.h"
#include "storage/settings.h"
#include "support/dovecot_maildir.h"
#include "support/program_process.h"
#include "support/temp_folder.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double msSince(const LARGE_INTEGER& started, const LARGE_INTEGER& frequency)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * double(now.QuadPart - started.QuadPart) / double(frequency.QuadPart);
}

// Polls the log every few milliseconds (the test drivers' tenth of a second would blur the times).
bool logShowsSoon(WindowDriver& driver, const std::string& part, DWORD timeoutMs)
{
    DWORD started = GetTickCount();
    while (driver.log().find(part) == std::string::npos) {
        if (GetTickCount() - started >= timeoutMs)
            return false;
        Sleep(2);
    }
    return true;
}

bool watching(WindowDriver& driver, DWORD timeoutMs)
{
    return waitUntil([&] {
        std::vector<ListRow> rows = driver.rows();
        return !rows.empty() && rows[0].lastCheck == "watching";
    }, timeoutMs);
}

bool writeProgramFolder(const TempFolder& folder, int imapPort)
{
    EntryList list;
    MailboxEntry* watch = list.addNew();
    watch->setName("watch");
    watch->setServer("127.0.0.1");
    watch->setUser("tester");
    watch->setPassword("secret");
    watch->connectionMode = AlwaysConnected;
    watch->protocol = ProtocolImap;
    watch->watchContinuously = true;
    watch->setPort(imapPort);
    Settings s = defaultSettings();
    s.speakConnectSpeed = s.speakCheckResults = 0;
    return list.save(folder.file("default.tsl").c_str()) &&
           saveSettings(folder.file("Tessary.dat").c_str(), settingsMagic, &s, sizeof s);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        printf("usage: idle_log_bench TESSARY_EXE_LINUX_PATH DELIVERIES (beside tests/support/with-dovecot)\n");
        return 2;
    }
    int deliveries = atoi(argv[2]);
    std::string maildir = environment("TESSARY_DOVECOT_MAILDIR");
    TempFolder folder;
    std::string exe = copyProgramInto(folder.path(), argv[1]);
    if (exe.empty() || maildir.empty() || !writeProgramFolder(folder, atoi(environment("TESSARY_DOVECOT_IMAP_PORT").c_str()))) {
        printf("error: the program folder could not be made\n");
        return 1;
    }
    emptyMaildir(maildir);
    for (int n = 1; n <= 3; ++n)
        writeWholeFile(maildir + "new\\" + std::to_string(3000 + n) + ".bench", numberedMessage(n));

    ProgramProcess program;
    if (!program.launch(exe, "", folder.path()) || !logShowsSoon(program.driver, "watch: 3 messages", 40000) ||
        !watching(program.driver, 10000)) {
        printf("error: the watch did not start: %s\n", program.driver.log().c_str());
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> latencies;
    for (int n = 1; n <= deliveries; ++n) {
        std::string line = "watch: " + std::to_string(3 + n) + " messages";
        LARGE_INTEGER written;
        QueryPerformanceCounter(&written);
        if (!writeWholeFile(maildir + "new\\" + std::to_string(4000 + n) + ".bench", numberedMessage(100 + n)) ||
            !logShowsSoon(program.driver, line, 10000)) {
            printf("error: delivery %d was not logged: %s\n", n, program.driver.log().c_str());
            return 1;
        }
        double ms = msSince(written, frequency);
        latencies.push_back(ms);
        printf("log delivery=%d ms=%.1f\n", n, ms);
        fflush(stdout);
        if (!watching(program.driver, 10000)) {
            printf("error: the watch did not go on after delivery %d\n", n);
            return 1;
        }
        Sleep(200); // the watch idles again before the next delivery
    }
    program.closeAndWait();
    std::sort(latencies.begin(), latencies.end());
    printf("log_median_ms=%.1f\n", latencies[latencies.size() / 2]);
    return 0;
}
