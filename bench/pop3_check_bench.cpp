// Benchmark program: times full POP3 sessions (connect, log in, STAT, TOP n 0 for every message,
// QUIT) against the server on 127.0.0.1, from inside the process: plain POP3 on PORT and, when
// TLSPORT is given, the same check over TLS from the first byte to "localhost" on TLSPORT, with
// the server's certificate trusted by its thumbprint. Rounds alternate plain and TLS.
// With --unchanged it times the check of an entry that announces only new messages against a
// mailbox that has not changed since a first (untimed) check: UIDL, and no TOP at all.
// Two helpers for the rows of real-sized header blocks: --write-realistic fills a Maildir folder
// with messages of realistic header blocks, and --program-folder prepares a program folder whose
// one entry checks the server on PORT.
#include "mailcheck/known_messages.h"
#include "mailcheck/pop3_session.h"
#include "mailcheck/session_limits.h"
#include "storage/entry_list.h"
#include "storage/mailbox_entry.h"
#include "storage/settings.h"
#include "support/realistic_headers.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
// What one socket call costs here: a non-blocking recv that finds nothing, many times over.
// Under Wine every such call is a round trip to the wine server.
double microsecondsPerSocketCall(const LARGE_INTEGER& frequency)
{
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    const int calls = 2000;
    char byte;
    LARGE_INTEGER started, ended;
    QueryPerformanceCounter(&started);
    for (int i = 0; i < calls; ++i)
        recv(s, &byte, 1, 0);
    QueryPerformanceCounter(&ended);
    closesocket(s);
    return 1e6 * double(ended.QuadPart - started.QuadPart) / double(frequency.QuadPart) / calls;
}

void freeHeaders(char** headers, uint32_t count)
{
    for (uint32_t i = 0; headers && i < count; ++i)
        delete[] headers[i];
    delete[] headers;
}

size_t headerBytes(char** headers, uint32_t count)
{
    size_t bytes = 0;
    for (uint32_t i = 0; headers && i < count; ++i) {
        for (const char* p = headers[i]; p && *p; ++p)
            ++bytes;
    }
    return bytes;
}

// One timed session (known may be null); prints its line and answers whether it succeeded. The
// header list is handed back through kept when asked for, else freed.
bool timeSession(const char* label, const Pop3Target& target, int round, const LARGE_INTEGER& frequency,
                 KnownMessages* known = nullptr, char*** kept = nullptr, uint32_t* keptCount = nullptr)
{
    uint32_t count = 0;
    char** headers = nullptr;
    char detail[pop3DetailSize];
    LARGE_INTEGER started, ended;
    QueryPerformanceCounter(&started);
    int result = Pop3Session(target, "tester", "secret", &count, nullptr, &headers, detail, sizeof detail, known);
    QueryPerformanceCounter(&ended);
    double seconds = double(ended.QuadPart - started.QuadPart) / double(frequency.QuadPart);
    printf("%s round=%d result=%d count=%u header_bytes=%zu seconds=%.6f %s\n", label, round, result, count,
           headerBytes(headers, count), seconds, detail);
    fflush(stdout);
    if (kept) {
        *kept = headers;
        *keptCount = count;
    } else {
        freeHeaders(headers, count);
    }
    return result == pop3Success;
}

// A first check learns the ids and header blocks; every later one finds nothing new.
int timeUnchangedMailbox(const Pop3Target& target, int rounds, const LARGE_INTEGER& frequency)
{
    KnownMessages first;
    char** headers = nullptr;
    uint32_t count = 0;
    int failures = !timeSession("prime", target, 0, frequency, &first, &headers, &count);
    for (int round = 1; round <= rounds; ++round) {
        KnownMessages known;
        for (uint32_t i = 0; i < count && i < first.ids.size(); ++i)
            if (headers[i] && !first.ids[i].empty())
                known.headersById[first.ids[i]] = headers[i];
        failures += !timeSession("unchanged", target, round, frequency, &known);
    }
    freeHeaders(headers, count);
    return failures;
}
// COUNT messages with header blocks of BYTES bytes into FOLDER (ending in a backslash), named so
// that they sort in order.
int writeRealisticMessages(const char* folder, int count, size_t bytes)
{
    for (int n = 1; n <= count; ++n) {
        char name[MAX_PATH];
        snprintf(name, sizeof name, "%s%u.M%06dP1.real", folder, 1700000000u + unsigned(n), n);
        std::string text = realisticMessage(bytes, uint32_t(n));
        FILE* file = fopen(name, "wb");
        if (!file || fwrite(text.data(), 1, text.size(), file) != text.size()) {
            printf("error: cannot write %s\n", name);
            return 1;
        }
        fclose(file);
    }
    return 0;
}

// A program folder (ending in a backslash) with one enabled, always connected entry named "big"
// for tester on 127.0.0.1:PORT, and settings that speak nothing.
int prepareProgramFolder(const std::string& folder, int port)
{
    EntryList list;
    MailboxEntry* entry = list.addNew();
    entry->setName("big");
    entry->setServer("127.0.0.1");
    entry->setUser("tester");
    entry->setPassword("secret");
    entry->setPort(port);
    entry->connectionMode = AlwaysConnected;
    Settings settings = defaultSettings();
    settings.speakConnectSpeed = settings.speakCheckResults = 0;
    if (!list.save((folder + "default.tsl").c_str()) ||
        !saveSettings((folder + "Tessary.dat").c_str(), settingsMagic, &settings, sizeof settings)) {
        printf("error: cannot prepare %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 5 && strcmp(argv[1], "--write-realistic") == 0)
        return writeRealisticMessages(argv[2], atoi(argv[3]), size_t(atoi(argv[4])));
    if (argc == 4 && strcmp(argv[1], "--program-folder") == 0)
        return prepareProgramFolder(argv[2], atoi(argv[3]));
    if (argc < 2) {
        printf("usage: pop3_check_bench PORT [ROUNDS [TLSPORT THUMBPRINT]]\n"
               "       pop3_check_bench --unchanged PORT [ROUNDS]\n"
               "       pop3_check_bench --write-realistic FOLDER COUNT BYTES\n"
               "       pop3_check_bench --program-folder FOLDER PORT\n");
        return 2;
    }
    bool unchanged = strcmp(argv[1], "--unchanged") == 0;
    if (unchanged) {
        ++argv;
        --argc;
    }
    pop3Port = atoi(argv[1]);
    int rounds = argc > 2 ? atoi(argv[2]) : 1;
    bool withTls = argc > 4;
    Pop3Target plain = { "127.0.0.1", SecurityNone, 0, nullptr };
    Pop3Target tls = { "localhost", SecuritySslTls, withTls ? atoi(argv[3]) : 0, withTls ? argv[4] : nullptr };
    if (!startWinsock()) {
        printf("error: Winsock 2.0 could not be started\n");
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    int failures = 0;
    if (unchanged) {
        failures = timeUnchangedMailbox(plain, rounds, frequency);
        WSACleanup();
        return failures ? 1 : 0;
    }
    for (int round = 1; round <= rounds; ++round) {
        failures += !timeSession("session", plain, round, frequency);
        if (withTls)
            failures += !timeSession("tls_session", tls, round, frequency);
    }
    printf("socket_call_us=%.1f\n", microsecondsPerSocketCall(frequency));
    WSACleanup();
    return failures ? 1 : 0;
}
