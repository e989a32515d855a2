// Benchmark program: times one full POP3 session (connect, log in, STAT, TOP n 0 for every
// message, QUIT) against the server on 127.0.0.1 at the given port, from inside the process.
#include "mailcheck/pop3_session.h"
#include "mailcheck/session_limits.h"
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
} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        printf("usage: pop3_check_bench PORT [ROUNDS]\n");
        return 2;
    }
    pop3Port = atoi(argv[1]);
    int rounds = argc > 2 ? atoi(argv[2]) : 1;
    if (!startWinsock()) {
        printf("error: Winsock 2.0 could not be started\n");
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    int failures = 0;
    for (int round = 0; round < rounds; ++round) {
        uint32_t count = 0;
        char** headers = nullptr;
        LARGE_INTEGER started, ended;
        QueryPerformanceCounter(&started);
        int result = Pop3Session("127.0.0.1", "tester", "secret", &count, nullptr, &headers);
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
        printf("session result=%d count=%u header_bytes=%zu seconds=%.6f\n", result, count, bytes, seconds);
        failures += result != pop3Success;
    }
    printf("socket_call_us=%.1f\n", microsecondsPerSocketCall(frequency));
    WSACleanup();
    return failures ? 1 : 0;
}
