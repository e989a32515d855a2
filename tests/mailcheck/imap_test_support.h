// Shared set-up of the IMAP session tests: Winsock, a short server timeout, a stop event, and one
// session against the scripted server.
#pragma once
#include <gtest/gtest.h>
#include "mailcheck/imap_session.h"
#include "mailcheck/known_messages.h"
#include "mailcheck/session_limits.h"
#include "storage/mailbox_entry.h"
#include "support/scripted_imap_server.h"
#include "support/seam_override.h"
#include "support/session_headers.h"
#include <string>

// A header block as a message's file holds it.
inline std::string imapHeader(int n)
{
    return "From: Sender " + std::to_string(n) + " <sender" + std::to_string(n) +
           "@example.org>\r\nSubject: message " + std::to_string(n) + "\r\n\r\n";
}

// The same block as the header list keeps it.
inline std::string keptForm(const std::string& header)
{
    return "+OK\r\n" + header + ".\r\n";
}

class ImapSessionTest : public ::testing::Test, protected SessionHeaders {
protected:
    void SetUp() override { ASSERT_TRUE(startWinsock()); }
    void TearDown() override
    {
        freeHeaders();
        CloseHandle(stopEvent);
        WSACleanup();
    }

    void addMessages(int first, int last)
    {
        for (int n = first; n <= last; ++n)
            server.messages.push_back(ImapTestMessage{ uint32_t(100 + n), imapHeader(n) });
    }

    int run(int32_t security = SecurityNone, const char* folder = nullptr, KnownMessages* known = nullptr,
            const char* password = "secret")
    {
        freeHeaders();
        if (!started) {
            server.start();
            started = true;
        }
        Pop3Target target = { "127.0.0.1", security, server.port(), nullptr };
        return ImapSession(target, folder, "tester", password, &count, stopEvent, &headers, detail, sizeof detail,
                           known);
    }

    SeamOverride<volatile LONG> timeout{ serverTimeoutMs, 5000 };
    HANDLE stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ScriptedImapServer server;
    bool started = false;
    char detail[pop3DetailSize] = "untouched";
};
