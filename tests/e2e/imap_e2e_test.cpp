// tessary.exe watching an IMAP folder beside a POP3 mailbox on the same Dovecot: both entries are
// checked on schedule, the IMAP one announces only its new messages, and a message delivered
// later is the one new message of the next check.
#include <gtest/gtest.h>
#include "support/dovecot_maildir.h"
#include "storage/entry_list.h"
#include "storage/settings.h"
#include "support/port_relay.h"
#include "support/program_process.h"
#include "support/temp_folder.h"
#include "resources/resource.h"
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const unsigned short pop3PortOfTheProgram = 110;

class ImapBesidePop3 : public ::testing::Test {
protected:
    TempFolder folder;
    std::string exe = copyProgramInto(folder.path(), TESSARY_EXE_LINUX_PATH);
    PortRelay relay;
    ProgramProcess program;
    WindowDriver& driver = program.driver;
    std::string maildir = environment("TESSARY_DOVECOT_MAILDIR");

    void SetUp() override
    {
        ASSERT_FALSE(environment("TESSARY_DOVECOT_IMAP_PORT").empty()) << "run through tests/support/with-dovecot";
        ASSERT_TRUE(relay.start(pop3PortOfTheProgram,
                                static_cast<unsigned short>(atoi(environment("TESSARY_DOVECOT_PORT").c_str()))))
            << "the program always uses port 110, which this test must be able to listen on";
        ASSERT_FALSE(exe.empty());
        for (int n = 1; n <= 3; ++n)
            ASSERT_TRUE(writeWholeFile(maildir + "new\\" + std::to_string(1000 + n) + ".e2e", numberedMessage(n)));
        for (int n = 4; n <= 5; ++n)
            ASSERT_TRUE(writeWholeFile(maildir + ".Archive\\new\\" + std::to_string(1000 + n) + ".e2e", numberedMessage(n)));

        EntryList list;
        addEntry(list, "pop");
        MailboxEntry* imap = addEntry(list, "imap");
        imap->protocol = ProtocolImap;
        imap->setPort(atoi(environment("TESSARY_DOVECOT_IMAP_PORT").c_str()));
        imap->setFolder("Archive");
        imap->setAnnounceNewOnly(true);
        ASSERT_TRUE(list.save(folder.file("default.tsl").c_str()));
        Settings s = defaultSettings();
        s.speakConnectSpeed = s.speakCheckResults = 0;
        ASSERT_TRUE(saveSettings(folder.file("Tessary.dat").c_str(), settingsMagic, &s, sizeof s));
    }

    static MailboxEntry* addEntry(EntryList& list, const char* name)
    {
        MailboxEntry* e = list.addNew();
        e->setName(name);
        e->setServer("127.0.0.1");
        e->setUser("tester");
        e->setPassword("secret");
        e->connectionMode = AlwaysConnected;
        return e;
    }

    bool logShows(const std::string& part, DWORD timeoutMs) { return driver.logShows(part, timeoutMs); }

    // Dovecot's log lines that hold part (and also, when given, also).
    static std::vector<std::string> logLines(const std::string& log, const char* part, const char* also = "")
    {
        std::vector<std::string> lines;
        for (size_t start = 0; start < log.size();) {
            size_t end = log.find('\n', start);
            std::string line = log.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (line.find(part) != std::string::npos && line.find(also) != std::string::npos)
                lines.push_back(line);
            start = end == std::string::npos ? log.size() : end + 1;
        }
        return lines;
    }
    static int imapLogins(const std::string& log) { return int(logLines(log, "imap-login: Info: Login: ").size()); }
    // "Disconnected: Logged out" after LOGOUT, "Disconnected: Connection closed (...)" without.
    static std::vector<std::string> imapSessionEnds(const std::string& log)
    {
        return logLines(log, "imap(tester)", ": Disconnected: ");
    }
};

TEST_F(ImapBesidePop3, BothAreCheckedAndTheImapEntryAnnouncesOnlyNewMessages)
{
    ASSERT_TRUE(program.launch(exe, "", folder.path())) << "no main window appeared";
    ASSERT_TRUE(logShows("pop: 3 messages", 40000)) << driver.log();
    ASSERT_TRUE(logShows("imap: 2 messages, 2 new", 40000)) << driver.log();

    std::vector<ListRow> rows = driver.rows();
    ASSERT_EQ(2u, rows.size());
    EXPECT_EQ("imap", rows[0].name);
    EXPECT_EQ("2", rows[0].result);
    EXPECT_EQ("pop", rows[1].name);
    EXPECT_EQ("3", rows[1].result);

    ASSERT_TRUE(writeWholeFile(maildir + ".Archive\\new\\1006.e2e", numberedMessage(6)));
    ASSERT_TRUE(driver.selectRow(0));
    driver.command(IDM_CHECK_SELECTED);
    ASSERT_TRUE(logShows("imap: 3 messages, 1 new", 30000)) << driver.log();
    EXPECT_EQ(std::string::npos, driver.log().find("error")) << driver.log();
    EXPECT_EQ(0u, program.closeAndWait());
}

// A watched folder (IDLE) on Dovecot: a message delivered while the program idles on it is in
// the log within two seconds.
TEST_F(ImapBesidePop3, AWatchedFolderReportsADeliveryWithinTwoSeconds)
{
    // A mailbox of its own, whatever the other test left in it.
    emptyMaildir(maildir);
    for (int n = 21; n <= 23; ++n)
        ASSERT_TRUE(writeWholeFile(maildir + "new\\" + std::to_string(2000 + n) + ".watch", numberedMessage(n)));
    EntryList list;
    MailboxEntry* watch = addEntry(list, "watch");
    watch->protocol = ProtocolImap;
    watch->watchContinuously = true;
    watch->setPort(atoi(environment("TESSARY_DOVECOT_IMAP_PORT").c_str()));
    ASSERT_TRUE(list.save(folder.file("default.tsl").c_str()));

    int imapLoginsBefore = imapLogins(readWholeFile(environment("TESSARY_DOVECOT_LOG")));
    ASSERT_TRUE(program.launch(exe, "", folder.path())) << "no main window appeared";
    ASSERT_TRUE(logShows("watch: 3 messages", 40000)) << driver.log();
    ASSERT_TRUE(waitUntil([&] { return driver.rows()[0].lastCheck == "watching"; }, 10000)) << driver.log();
    DWORD delivered = GetTickCount();
    ASSERT_TRUE(writeWholeFile(maildir + "new\\2030.watch", numberedMessage(30)));
    ASSERT_TRUE(logShows("watch: 4 messages", 5000)) << driver.log();
    EXPECT_LT(GetTickCount() - delivered, 2000u);
    EXPECT_TRUE(waitUntil([&] { return driver.rows()[0].lastCheck == "watching"; }, 10000));

    // The next delivery comes over the same connection: no new login, and the program closing
    // while it idles ends IDLE and logs out.
    ASSERT_TRUE(writeWholeFile(maildir + "new\\2031.watch", numberedMessage(31)));
    ASSERT_TRUE(logShows("watch: 5 messages", 5000)) << driver.log();
    EXPECT_TRUE(waitUntil([&] { return driver.rows()[0].lastCheck == "watching"; }, 10000));
    EXPECT_EQ(0u, program.closeAndWait());
    std::string dovecot;
    ASSERT_TRUE(waitUntil([&] {
        dovecot = readWholeFile(environment("TESSARY_DOVECOT_LOG"));
        return int(imapSessionEnds(dovecot).size()) == imapLogins(dovecot);
    }, 5000)) << dovecot;
    EXPECT_EQ(1, imapLogins(dovecot) - imapLoginsBefore) << "one connection for the whole watch\n" << dovecot;
    EXPECT_NE(std::string::npos, imapSessionEnds(dovecot).back().find("Disconnected: Logged out"))
        << dovecot << "the last IMAP session ended with LOGOUT";
}

} // namespace
