// tessary.exe with Microsoft-style signed-in entries (POP3 and IMAP over TLS) whose endpoints come
// from oauth.ini in the data folder: each check refreshes its token at the local authorization
// server and logs in to Dovecot with it; once the user withdraws the program's access there, each
// entry logs the sign-in line once and is not checked again by the schedule.
#include "mailcheck/tls_dovecot_support.h"
#include "resources/resource.h"
#include "signin/https_client.h"
#include "signin/test_browser.h"
#include "storage/entry_list.h"
#include "storage/settings.h"
#include "support/dovecot_maildir.h"
#include "support/program_process.h"

using namespace tlsdovecot;

namespace {

const char withdrawnLine[] = "error: the sign-in has expired or was withdrawn; open the entry and sign in again";

class SignedInWatcher : public ::testing::Test {
protected:
    TempFolder folder;
    std::string exe = copyProgramInto(folder.path(), TESSARY_EXE_LINUX_PATH);
    ProgramProcess program;
    WindowDriver& driver = program.driver;

    void SetUp() override
    {
        ASSERT_FALSE(environment("TESSARY_DOVECOT_IMAPS_PORT").empty())
            << "run through tests/support/with-oauth-server tests/support/with-dovecot --tls --oauth";
        ASSERT_FALSE(exe.empty());
        std::string maildir = environment("TESSARY_DOVECOT_MAILDIR");
        emptyMaildir(maildir);
        for (int n = 1; n <= 3; ++n)
            ASSERT_TRUE(writeWholeFile(maildir + "new\\" + std::to_string(3000 + n) + ".signin-e2e:2,", message(n)));
        // The short-lived client's access tokens end within five minutes: every check refreshes.
        std::string ini = "[microsoft]\r\nauthorize=" + oauthServer("/authorize") + "\r\ntoken=" +
                          oauthServer("/token") + "\r\nclient_id=short-lived-client\r\n";
        ASSERT_TRUE(writeWholeFile(folder.file("oauth.ini"), ini));
        EntryList list;
        addEntry(list, "microsoft pop3", ProtocolPop3, "TESSARY_DOVECOT_TLS_PORT", "seed-e2e-pop3");
        addEntry(list, "microsoft imap", ProtocolImap, "TESSARY_DOVECOT_IMAPS_PORT", "seed-e2e-imap");
        ASSERT_TRUE(list.save(folder.file("default.tsl").c_str()));
        Settings s = defaultSettings();
        s.speakConnectSpeed = s.speakCheckResults = 0;
        ASSERT_TRUE(saveSettings(folder.file("Tessary.dat").c_str(), settingsMagic, &s, sizeof s));
    }

    static void addEntry(EntryList& list, const char* name, int32_t protocol, const char* portVariable,
                         const char* refreshToken)
    {
        MailboxEntry* e = list.addNew();
        e->setName(name);
        e->setServer("localhost");
        e->protocol = protocol;
        e->setSecurity(SecuritySslTls);
        e->setPort(atoi(environment(portVariable).c_str()));
        e->signIn = SignInMicrosoft;
        e->setAccount("user@example.org");
        e->setUser("tester"); // Dovecot would take these; they are never sent
        e->setPassword("secret");
        e->setRefreshToken(refreshToken);
        e->connectionMode = AlwaysConnected;
        e->watchContinuously = protocol == ProtocolImap; // as the edit dialog sets it for IMAP
        e->periodHours = 0;
        e->periodMinutes = 1;
    }

    int logCount(const std::string& part) const
    {
        std::string log = driver.log();
        int count = 0;
        for (size_t at = log.find(part); at != std::string::npos; at = log.find(part, at + 1))
            ++count;
        return count;
    }
    int rowOf(const std::string& name) const
    {
        std::vector<ListRow> rows = driver.rows();
        for (size_t row = 0; row < rows.size(); ++row)
            if (rows[row].name == name)
                return static_cast<int>(row);
        return -1;
    }
    size_t dovecotLogins() const
    {
        std::string log = readWholeFile(environment("TESSARY_DOVECOT_LOG"));
        size_t n = 0;
        for (size_t at = log.find("method=XOAUTH2"); at != std::string::npos; at = log.find("method=XOAUTH2", at + 1))
            ++n;
        return n;
    }
};

TEST_F(SignedInWatcher, ChecksWithRefreshedTokensThenStopsOnceTheSignInIsWithdrawn)
{
    TrustedTestCa dovecotCa; // the authorization server's CA is trusted for the whole program
    ASSERT_TRUE(dovecotCa.trusted());
    ASSERT_TRUE(testCaTrusted());
    ASSERT_TRUE(program.launch(exe, "", folder.path())) << "no main window appeared";
    EXPECT_TRUE(driver.logShows("microsoft pop3: 3 messages", 60000)) << driver.log();
    EXPECT_TRUE(driver.logShows("microsoft imap: 3 messages", 60000)) << driver.log();
    EXPECT_EQ(std::string::npos, driver.log().find("oauth.ini")) << "the file was read without a warning";
    // One login each: a signed-in IMAP entry is not watched, so its check is not started again.
    Sleep(3000);
    EXPECT_EQ(2u, dovecotLogins());
    EXPECT_EQ(1, logCount("microsoft imap: 3 messages")) << driver.log();

    // The user withdraws the program's access at the provider.
    HttpsReply reply;
    ASSERT_EQ(HttpsOutcome::answered, httpsPostForm(oauthServer("/revoke-all"), "", nullptr, reply));
    ASSERT_EQ(200u, reply.status);
    driver.command(IDM_CHECK_ALL);
    for (const char* name : { "microsoft pop3", "microsoft imap" }) {
        std::string line = std::string(name) + ": " + withdrawnLine;
        ASSERT_TRUE(driver.logShows(line, 60000)) << driver.log();
        EXPECT_TRUE(driver.logShows(std::string(name) + ": warning: there was an error checking the account, make "
                                                        "sure the server is up, and your username and password are "
                                                        "correct ERROR: -121",
                                    1000))
            << driver.log();
    }
    EXPECT_EQ(2u, dovecotLogins()) << "a token was sent after the sign-in was withdrawn";

    // The schedule (every minute) and "Check all" pass over both from now on without a word.
    int checksBefore = logCount(": checking");
    driver.command(IDM_CHECK_ALL);
    Sleep(75000);
    ASSERT_TRUE(driver.answers());
    EXPECT_EQ(checksBefore, logCount(": checking")) << driver.log();
    EXPECT_EQ(1, logCount(std::string("microsoft pop3: ") + withdrawnLine)) << driver.log();
    EXPECT_EQ(1, logCount(std::string("microsoft imap: ") + withdrawnLine)) << driver.log();
    EXPECT_EQ(2u, dovecotLogins());
    std::string log = driver.log();
    EXPECT_EQ(std::string::npos, log.find("secret")) << "the password never shows";

    // Asked for by hand, a withdrawn entry says why it is not checked.
    ASSERT_TRUE(driver.selectRow(rowOf("microsoft pop3")));
    driver.command(IDM_CHECK_SELECTED);
    EXPECT_TRUE(waitUntil([&] { return logCount(std::string("microsoft pop3: ") + withdrawnLine) == 2; }, 10000))
        << driver.log();

    EXPECT_EQ(0u, program.closeAndWait());
}

} // namespace
