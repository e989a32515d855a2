// Benchmark program: times full POP3 sessions (connect, log in, STAT, TOP n 0 for every message,
// QUIT) against the server on 127.0.0.1, from inside the process: plain POP3 on PORT and, when
// TLSPORT is given, the same check over TLS from the first byte to "localhost" on TLSPORT, with
// the server's certificate trusted by its thumbprint. Rounds alternate plain and TLS.
#include "mailcheck/pop3_session.h"
#include "mailcheck/session_limits.h"
#include "storage/mailbox_entry.h"
#include <cstdio>
#include <cstdlib>

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

// One timed session; prints its line and answers whether it succeeded.
bool timeSession(const char* label, const Pop3Target& target, int round, const LARGE_INTEGER& frequency)
{
    uint32_t count = 0;
    char** headers = nullptr;
    char detail[pop3DetailSize];
    LARGE_INTEGER started, ended;
    QueryPerformanceCounter(&started);
    int result = Pop3Session(target, "tester", "secret", &count, nullptr, &headers, detail, sizeof detail);
    QueryPerformanceCounter(&ended);
    double seconds = double(ended.QuadPart - started.QuadPart) / double(frequency.QuadPart);
    size_t bytes = 0;
    for (uint32_t i = 0; headers && i < count; ++i) {
        if (headers[i]) {
            for (const char* p = headers[i]; *p; ++p)
                ++bytes;
            delete[] headers[i];
        }
    }
    delete[] headers;
    printf("%s round=%d result=%d count=%u header_bytes=%zu seconds=%.6f %s\n", label, round, result, count, bytes,
           seconds, detail);
    return result == pop3Success;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        printf("usage: pop3_check_bench PORT [ROUNDS [TLSPORT THUMBPRINT]]\n");
        return 2;
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
    for (int round = 1; round <= rounds; ++round) {
        failures += !timeSession("session", plain, round, frequency);
        if (withTls)
            failures += !timeSession("tls_session", tls, round, frequency);
    }
    printf("socket_call_us=%.1f\n", microsecondsPerSocketCall(frequency));
    WSACleanup();
    return failures ? 1 : 0;
}
