// Shared set-up of the POP3 session tests: Winsock, a short server timeout, a stop event, and
// running one session against a scripted server.
#pragma once
#include <gtest/gtest.h>
#include "mailcheck/pop3_session.h"
#include "mailcheck/session_limits.h"
#include "support/session_headers.h"
#include "support/fake_pop3_server.h"
#include "support/seam_override.h"
#include <string>

class Pop3SessionTest : public ::testing::Test, protected SessionHeaders {
protected:
    void SetUp() override { ASSERT_TRUE(startWinsock()); }
    void TearDown() override
    {
        freeHeaders();
        CloseHandle(stopEvent);
        WSACleanup();
    }

    // Starts the server's script and runs one session against it.
    int run(FakePop3Server& server, const char* user = "tester", const char* password = "secret",
            bool withHeaders = true)
    {
        freeHeaders();
        server.start();
        SeamOverride<volatile LONG> port(pop3Port, server.port());
        return Pop3Session("127.0.0.1", user, password, &count, stopEvent,
                           withHeaders ? &headers : nullptr);
    }

    // Long enough for Wine on a busy machine, short enough that a hang shows as a failure.
    SeamOverride<volatile LONG> timeout{ serverTimeoutMs, 5000 };
    HANDLE stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
};

// A TOP reply of the header lines given, in the form a server sends it.
inline std::string topReply(const std::string& headerLines)
{
    return "+OK\r\n" + headerLines + "\r\n.\r\n";
}
