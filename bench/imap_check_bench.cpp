// Benchmark program: times full IMAP checks (connect, CAPABILITY, LOGIN, EXAMINE, FETCH of the
// UIDs, UID FETCH of every header block, LOGOUT) against the server on 127.0.0.1 from inside the
// process; with --idle it times, for each of several deliveries into the maildir, how long after
// the file is written an idling session hears of it.
#include "mailcheck/imap_folder_session.h"
#include "mailcheck/imap_idle.h"
#include "mailcheck/imap_session.h"
#include "mailcheck/session_limits.h"
#include "storage/mailbox_entry.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double secondsSince(const LARGE_INTEGER& started, const LARGE_INTEGER& frequency)
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart - started.QuadPart) / double(frequency.QuadPart);
}

int timeChecks(const Pop3Target& target, int rounds, const LARGE_INTEGER& frequency)
{
    int failures = 0;
    for (int round = 1; round <= rounds; ++round) {
        uint32_t count = 0;
        char** headers = nullptr;
        char detail[pop3DetailSize];
        LARGE_INTEGER started;
        QueryPerformanceCounter(&started);
        int result = ImapSession(target, nullptr, "tester", "secret", &count, nullptr, &headers, detail, sizeof detail);
        double seconds = secondsSince(started, frequency);
        uint32_t kept = 0;
        for (uint32_t i = 0; headers && i < count; ++i) {
            kept += headers[i] ? 1 : 0;
            delete[] headers[i];
        }
        delete[] headers;
        printf("session round=%d result=%d count=%u kept=%u seconds=%.6f %s\n", round, result, count, kept, seconds,
               detail);
        fflush(stdout);
        failures += result != pop3Success || kept != count;
    }
    return failures;
}

struct Delivery {
    std::string path;
    LARGE_INTEGER at;
};

DWORD WINAPI deliverLater(LPVOID parameter)
{
    Delivery* delivery = static_cast<Delivery*>(parameter);
    Sleep(300);
    QueryPerformanceCounter(&delivery->at);
    HANDLE file = CreateFileA(delivery->path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    const char text[] = "From: idle@example.org\r\nSubject: delivered while idling\r\n\r\nbody\r\n";
    DWORD written = 0;
    WriteFile(file, text, sizeof text - 1, &written, nullptr);
    CloseHandle(file);
    return 0;
}

int timeIdle(const Pop3Target& target, int deliveries, const std::string& maildir, const LARGE_INTEGER& frequency)
{
    char detail[pop3DetailSize];
    ImapFolderSession session(target, nullptr, nullptr);
    if (session.open("tester", "secret", detail, sizeof detail) != pop3Success) {
        printf("error: %s\n", detail);
        return 1;
    }
    std::vector<double> latencies;
    for (int n = 1; n <= deliveries; ++n) {
        Delivery delivery;
        delivery.path = maildir + "new\\" + std::to_string(1800000000 + n) + ".M" + std::to_string(n) + "P1.idle";
        HANDLE writer = CreateThread(nullptr, 0, deliverLater, &delivery, 0, nullptr);
        IdleOutcome outcome = idleUntilNews(session, detail, sizeof detail);
        LARGE_INTEGER heard;
        QueryPerformanceCounter(&heard);
        WaitForSingleObject(writer, INFINITE);
        CloseHandle(writer);
        if (outcome != IdleOutcome::news || session.examine(detail, sizeof detail) != pop3Success) {
            printf("error: delivery %d: %s\n", n, detail);
            return 1;
        }
        double ms = 1000.0 * double(heard.QuadPart - delivery.at.QuadPart) / double(frequency.QuadPart);
        latencies.push_back(ms);
        printf("idle delivery=%d ms=%.1f\n", n, ms);
        fflush(stdout);
    }
    session.logOut(detail, sizeof detail);
    std::sort(latencies.begin(), latencies.end());
    printf("idle_median_ms=%.1f\n", latencies[latencies.size() / 2]);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        printf("usage: imap_check_bench PORT ROUNDS\n       imap_check_bench --idle PORT DELIVERIES MAILDIR\n");
        return 2;
    }
    bool idle = strcmp(argv[1], "--idle") == 0;
    if (idle && argc < 5)
        return 2;
    Pop3Target target = { "127.0.0.1", SecurityNone, atoi(argv[idle ? 2 : 1]), nullptr };
    serverTimeoutMs = 20000;
    if (!startWinsock()) {
        printf("error: Winsock 2.0 could not be started\n");
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    int failures = idle ? timeIdle(target, atoi(argv[3]), argv[4], frequency)
                        : timeChecks(target, atoi(argv[2]), frequency);
    WSACleanup();
    return failures ? 1 : 0;
}
