// The main window checking a real Dovecot server (tests/support/with-dovecot) for an entry that
// announces only new messages, while mail arrives and goes between checks: the log lines, the
// actions, the TOP commands Dovecot counted, the header list, and the state file across restarts.
#include <gtest/gtest.h>
#include "support/dovecot_maildir.h"
#include "support/main_window_harness.h"
#include "mailcheck/entry_state_file.h"
#include "shell/tray_icon.h"
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string message(int n)
{
    return "From: Sender " + std::to_string(n) + " <sender" + std::to_string(n) + "@example.org>\n"
           "To: tester@example.org\n"
           "Subject: message number " + std::to_string(n) + "\n"
           "Message-ID: <" + std::to_string(n) + ".new-only@example.org>\n"
           "\n"
           "A body a check never fetches.\n";
}

// Dovecot's reply to TOP n 0 for message(n).
std::string asServerSendsIt(int n)
{
    std::string text = message(n);
    std::string crlf;
    for (char c : text.substr(0, text.find("\n\n") + 2)) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    return "+OK\r\n" + crlf + ".\r\n";
}

class NewMailDovecot : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(environment("TESSARY_DOVECOT_PORT").empty()) << "run through tests/support/with-dovecot";
        maildir = environment("TESSARY_DOVECOT_MAILDIR");
        int port = atoi(environment("TESSARY_DOVECOT_PORT").c_str());
        emptyMaildir(maildir);
        h.writeEntryList([port](EntryList& list) {
            MailboxEntry* e = list.addNew();
            e->setName("inbox");
            e->setServer("127.0.0.1");
            e->setUser("tester");
            e->setPassword("secret");
            e->setPort(port);
            e->connectionMode = AlwaysConnected;
            e->setAnnounceNewOnly(true);
            e->runMailProgram = true;
            e->setMailProgramPath("mail.exe");
        });
    }

    void deliver(int n)
    {
        char name[64];
        snprintf(name, sizeof name, "%u.M%06dP1.newonly", 1700000000u + unsigned(n), n);
        ASSERT_TRUE(writeWholeFile(maildir + "new\\" + name, message(n)));
    }

    // Removes message n, wherever Dovecot has moved it (cur/ gets a flags suffix).
    void remove(int n)
    {
        char pattern[64];
        snprintf(pattern, sizeof pattern, "%u.M%06dP1.newonly*", 1700000000u + unsigned(n), n);
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((maildir + "cur\\" + pattern).c_str(), &found);
        ASSERT_NE(INVALID_HANDLE_VALUE, search);
        ASSERT_TRUE(DeleteFileA((maildir + "cur\\" + found.cFileName).c_str()));
        FindClose(search);
    }

    void open()
    {
        ASSERT_NE(nullptr, h.open());
        inbox = h.entry(0);
    }

    // One check of the entry, started by the user and handled by the window.
    void checkNow()
    {
        h.speech->clearLog();
        h.ui.launches.clear();
        stopTrayAnimation(h.window());
        inbox->checkRequested = true;
        h.tick();
        ASSERT_TRUE(inbox->isCheckRunning());
        ASSERT_TRUE(h.pumpUntil([this] { return !inbox->isCheckRunning(); }, 30000));
    }

    std::string lastLogLine() const { return logLineFromEnd(0); }
    // The line back lines before the last, after its "hh:mm ": the count of a check that named
    // back messages after it.
    std::string logLineFromEnd(int back) const
    {
        std::string log = h.log();
        size_t end = log.size();
        size_t start = log.rfind("\r\n");
        for (int i = 0; i < back && start != std::string::npos && start > 0; ++i) {
            end = start;
            start = log.rfind("\r\n", start - 1);
        }
        return log.substr(start + 2 + 6, end - start - 2 - 6);
    }

    // The TOP count of the latest session in Dovecot's log ("top=N/bytes").
    int topsInLastSession() const
    {
        std::string log = readWholeFile(environment("TESSARY_DOVECOT_LOG"));
        size_t at = log.rfind("top=");
        return at == std::string::npos ? -1 : atoi(log.c_str() + at + 4);
    }

    void expectHeadersOf(const std::vector<int>& messages) const
    {
        ASSERT_EQ(int32_t(messages.size()), inbox->headerCount);
        for (size_t i = 0; i < messages.size(); ++i) {
            const char* text = inbox->getHeader(int(i));
            EXPECT_EQ(asServerSendsIt(messages[i]), text ? text : "(null)") << "slot " << i;
        }
    }

    std::string stateFile() const
    {
        char path[MAX_PATH];
        entryStateFilePath(h.folder.path().c_str(), entryStateKey("inbox", "127.0.0.1", "tester"), path, sizeof path);
        return path;
    }

    MainWindowHarness h;
    std::string maildir;
    MailboxEntry* inbox = nullptr;
};

TEST_F(NewMailDovecot, OnlyNewMailIsAnnouncedAndFetchedAcrossChecksRestartsAndADamagedStateFile)
{
    for (int n = 1; n <= 3; ++n)
        deliver(n);
    open();
    app.settings.speakSubjects = 0;

    checkNow();
    EXPECT_EQ("inbox: 3 messages, 3 new", logLineFromEnd(3));
    EXPECT_EQ("inbox: Sender 3: message number 3", lastLogLine());
    EXPECT_EQ((std::vector<std::string>{ "Account inbox has 3 messages", "Message 1 from: Sender 1",
                                         "Message 2 from: Sender 2", "Message 3 from: Sender 3" }),
              h.speech->spokenTexts());
    EXPECT_EQ(3, topsInLastSession());
    EXPECT_TRUE(app.trayAnimRunning);
    EXPECT_EQ(1u, h.ui.launches.size());
    expectHeadersOf({ 1, 2, 3 });
    EXPECT_TRUE(fileExists(stateFile()));

    checkNow();
    EXPECT_EQ("inbox: no new mail", lastLogLine());
    EXPECT_EQ((std::vector<std::string>{ "Account inbox has no new messages." }), h.speech->spokenTexts());
    EXPECT_EQ(0, topsInLastSession());
    EXPECT_FALSE(app.trayAnimRunning);
    EXPECT_TRUE(h.ui.launches.empty());
    EXPECT_EQ("3", h.rowText(0, 3));
    expectHeadersOf({ 1, 2, 3 });

    remove(1);
    deliver(4);
    deliver(5);
    checkNow();
    EXPECT_EQ("inbox: 4 messages, 2 new", logLineFromEnd(2));
    EXPECT_EQ((std::vector<std::string>{ "Account inbox has 2 messages", "Message 3 from: Sender 4",
                                         "Message 4 from: Sender 5" }),
              h.speech->spokenTexts());
    EXPECT_EQ(2, topsInLastSession());
    expectHeadersOf({ 2, 3, 4, 5 });

    // A restart reads what was seen from the state file; the header blocks are fetched once more.
    h.close();
    open();
    app.settings.speakSubjects = 0;
    checkNow();
    EXPECT_EQ("inbox: no new mail", lastLogLine());
    EXPECT_EQ(4, topsInLastSession());
    expectHeadersOf({ 2, 3, 4, 5 });

    // A damaged state file: everything is new once, and the file is whole again afterwards.
    std::string bytes = readWholeFile(stateFile());
    ASSERT_GT(bytes.size(), 30u);
    bytes[30] = char(bytes[30] ^ 0x40);
    ASSERT_TRUE(writeWholeFile(stateFile(), bytes));
    h.close();
    open();
    checkNow();
    EXPECT_EQ("inbox: 4 messages, 4 new", logLineFromEnd(4));
    checkNow();
    EXPECT_EQ("inbox: no new mail", lastLogLine());
}

} // namespace
