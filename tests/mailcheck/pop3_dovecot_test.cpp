// The POP3 session and the check worker against a real Dovecot server on 127.0.0.1, started by
// tests/support/with-dovecot; the test puts its own messages into the server's Maildir.
#include <gtest/gtest.h>
#include "support/session_headers.h"
#include "support/dovecot_maildir.h"
#include "mailcheck/header_marks.h"
#include "mailcheck/pop3_session.h"
#include "mailcheck/top_reply.h"
#include "mailcheck/session_limits.h"
#include "platform/messages.h"
#include "storage/mailbox_entry.h"
#include "support/recording_window.h"
#include "support/seam_override.h"
#include "support/realistic_headers.h"
#include "support/temp_folder.h"
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

// Dovecot sends a header block with CRLF line ends whatever the file has, after "+OK" and
// before the closing dot line.
std::string asServerSendsIt(const std::string& message)
{
    std::string crlf;
    for (char c : message) {
        if (c == '\n' && (crlf.empty() || crlf.back() != '\r'))
            crlf += '\r';
        crlf += c;
    }
    return "+OK\r\n" + crlf.substr(0, crlf.find("\r\n\r\n") + 4) + ".\r\n";
}

std::string message(int n, const std::string& extraHeaders = "")
{
    return "Return-Path: <sender" + std::to_string(n) + "@example.org>\n"
           "From: Sender " + std::to_string(n) + " <sender" + std::to_string(n) + "@example.org>\n"
           "To: tester@example.org\n"
           "Subject: message number " + std::to_string(n) + "\n" + extraHeaders +
           "Message-ID: <" + std::to_string(n) + "@example.org>\n"
           "\n"
           "The body, which a check never fetches.\n.\nA line with a dot.\n";
}

class DovecotTest : public ::testing::Test, protected SessionHeaders {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(environment("TESSARY_DOVECOT_PORT").empty())
            << "run through tests/support/with-dovecot";
        port = atoi(environment("TESSARY_DOVECOT_PORT").c_str());
        maildir = environment("TESSARY_DOVECOT_MAILDIR");
        emptyMaildir(maildir);
        ASSERT_TRUE(startWinsock());
    }
    void TearDown() override
    {
        freeHeaders();
        WSACleanup();
    }

    // Delivers messages the way a mail server does: a file in new/, named so that they sort in
    // delivery order.
    void deliver(const std::vector<std::string>& messages)
    {
        for (size_t i = 0; i < messages.size(); ++i) {
            char name[64];
            snprintf(name, sizeof name, "%u.M%06uP1.tessary", 1700000000u + unsigned(delivered), unsigned(delivered));
            ++delivered;
            ASSERT_TRUE(writeWholeFile(maildir + "new\\" + name, messages[i]));
        }
    }

    int run(const char* password = "secret")
    {
        freeHeaders();
        SeamOverride<volatile LONG> serverPort(pop3Port, port);
        return Pop3Session("127.0.0.1", "tester", password, &count, nullptr, &headers);
    }

    // The TOP count of the latest session in Dovecot's log ("top=N/bytes").
    int topsInLastSession() const
    {
        std::string log = readWholeFile(environment("TESSARY_DOVECOT_LOG"));
        size_t at = log.rfind("top=");
        return at == std::string::npos ? -1 : atoi(log.c_str() + at + 4);
    }

    SeamOverride<volatile LONG> timeout{ serverTimeoutMs, 20000 };
    int port = 0;
    std::string maildir;
    unsigned delivered = 0;
};

TEST_F(DovecotTest, EmptyMailbox)
{
    EXPECT_EQ(pop3Success, run());
    EXPECT_EQ(0u, count);
    EXPECT_EQ(nullptr, headers);
}

TEST_F(DovecotTest, CountsAndFetchesEveryHeaderBlockAsItIsStored)
{
    std::vector<std::string> messages = {
        message(1),
        message(2, "X-Folded: first part\n\tsecond part\n"),
        "From: crlf@example.org\r\nSubject: stored with CRLF\r\n\r\nbody\r\n",
    };
    deliver(messages);
    ASSERT_EQ(pop3Success, run());
    ASSERT_EQ(3u, count);
    for (uint32_t i = 0; i < 3; ++i)
        EXPECT_EQ(asServerSendsIt(messages[i]), slot(i)) << "message " << i + 1;
    EXPECT_EQ(3, topsInLastSession());
}

TEST_F(DovecotTest, ManyMessagesInOrder)
{
    std::vector<std::string> messages;
    for (int n = 1; n <= 150; ++n)
        messages.push_back(message(n));
    deliver(messages);
    ASSERT_EQ(pop3Success, run());
    ASSERT_EQ(150u, count);
    for (uint32_t i = 0; i < count; ++i)
        ASSERT_EQ(asServerSendsIt(messages[i]), slot(i)) << "message " << i + 1;
    EXPECT_EQ(150, topsInLastSession());
}

// Dovecot offers PIPELINING, so these replies come in batches; one at a time is the scripted
// server's part.
TEST_F(DovecotTest, RealHeaderBlocksOfEverySizeAreKeptWholeUpToTheLimitAndCutPastIt)
{
    std::vector<std::string> messages;
    for (uint32_t i = 0; i < 8; ++i)
        messages.push_back(realisticMessage(realisticBlockSizes[i], i + 1));
    deliver(messages);
    freeHeaders();
    SeamOverride<volatile LONG> serverPort(pop3Port, port);
    Pop3Target target = { "127.0.0.1", SecurityNone, 0, nullptr };
    uint8_t* marks = nullptr;
    ASSERT_EQ(pop3Success, Pop3Session(target, "tester", "secret", &count, nullptr, &headers, nullptr, 0, nullptr,
                                       &marks));
    std::unique_ptr<uint8_t[]> ownedMarks(marks);
    ASSERT_EQ(8u, count);
    for (uint32_t i = 0; i < 8; ++i) {
        EXPECT_EQ(keptRealisticText(realisticBlockSizes[i], i + 1, headerBlockLimit), slot(i)) << "message " << i + 1;
        EXPECT_EQ(i == 7 ? headerCut : headerKeptWhole, marks[i]) << "message " << i + 1;
    }
    EXPECT_EQ(realisticBlockSizes[6] + 2 + 8, slot(6).size()); // 255 KB whole, with its empty line
    EXPECT_LE(slot(7).size(), headerBlockLimit + 8);
    EXPECT_EQ(8, topsInLastSession());
}

TEST_F(DovecotTest, WrongPasswordIsRefused)
{
    deliver({ message(1) });
    EXPECT_EQ(pop3PassRefused, run("not the password"));
    EXPECT_EQ(0u, count);
}

// The whole road of a check: DoCheckEmail, the worker on its thread, the real server, the
// entry's header list, and the sender and subject the result actions speak.
TEST_F(DovecotTest, CheckWorkerStoresWhatTheSpeechNeeds)
{
    deliver({ message(1), "From: plain@example.org\nSubject: \n\nbody\n", message(3) });
    SeamOverride<volatile LONG> serverPort(pop3Port, port);
    RecordingWindow window;
    MailboxEntry entry;
    entry.setServer("127.0.0.1");
    entry.setUser("tester");
    entry.setPassword("secret");
    ASSERT_TRUE(entry.DoCheckEmail(window.handle()));
    ASSERT_TRUE(window.waitFor(WM_CHECK_DONE, 30000));
    EXPECT_EQ(reinterpret_cast<WPARAM>(&entry), window.received()[0].wParam);
    ASSERT_EQ(3, entry.getLastResult());
    ASSERT_EQ(3, entry.headerCount);

    char value[256];
    ASSERT_TRUE(entry.getHeaderField(0, value, sizeof value, 0));
    EXPECT_STREQ("sender1@example.org", value);
    ASSERT_TRUE(entry.getHeaderField(0, value, sizeof value, 1));
    EXPECT_STREQ("message number 1", value);
    ASSERT_TRUE(entry.getHeaderField(1, value, sizeof value, 0));
    EXPECT_STREQ(" plain@example.org", value);
    ASSERT_TRUE(entry.getHeaderField(1, value, sizeof value, 1));
    EXPECT_STREQ("", value);
    ASSERT_TRUE(entry.getHeaderField(2, value, sizeof value, 1));
    EXPECT_STREQ("message number 3", value);
    EXPECT_TRUE(entry.stopCheck(false));
}

} // namespace
