// tessary.exe checking mailboxes over TLS against Dovecot (tests/support/with-dovecot --tls), with
// the run's private CA trusted as a user would install it: one entry over TLS from the first byte
// and one over STLS log their counts; one that reaches the server by address logs why its
// certificate was refused, on the line after its code. The entry list keeps all three as they were.
#include "mailcheck/tls_dovecot_support.h"
#include "storage/entry_list.h"
#include "storage/settings.h"
#include "support/program_process.h"

using namespace tlsdovecot;

namespace {

class SecureWatcher : public ::testing::Test {
protected:
    TempFolder folder;
    std::string exe = copyProgramInto(folder.path(), TESSARY_EXE_LINUX_PATH);
    ProgramProcess program;
    WindowDriver& driver = program.driver;

    void SetUp() override
    {
        ASSERT_FALSE(environment("TESSARY_DOVECOT_TLS_PORT").empty()) << "run through tests/support/with-dovecot --tls";
        ASSERT_FALSE(exe.empty());
        std::string maildir = environment("TESSARY_DOVECOT_MAILDIR");
        for (int n = 1; n <= 3; ++n)
            ASSERT_TRUE(writeWholeFile(maildir + "new\\" + std::to_string(2000 + n) + ".tls-e2e:2,", message(n)));
        EntryList list;
        addEntry(list, "secure", "localhost", SecuritySslTls, atoi(environment("TESSARY_DOVECOT_TLS_PORT").c_str()));
        addEntry(list, "starttls", "localhost", SecurityStls, atoi(environment("TESSARY_DOVECOT_PORT").c_str()));
        addEntry(list, "by address", "127.0.0.1", SecuritySslTls,
                 atoi(environment("TESSARY_DOVECOT_TLS_PORT").c_str()));
        ASSERT_TRUE(list.save(folder.file("default.tsl").c_str()));
        Settings s = defaultSettings();
        s.speakConnectSpeed = s.speakCheckResults = 0;
        ASSERT_TRUE(saveSettings(folder.file("Tessary.dat").c_str(), settingsMagic, &s, sizeof s));
    }

    static void addEntry(EntryList& list, const char* name, const char* server, int32_t security, int32_t port)
    {
        MailboxEntry* e = list.addNew();
        e->setName(name);
        e->setServer(server);
        e->setUser("tester");
        e->setPassword("secret");
        e->setSecurity(security);
        e->setPort(port);
        e->connectionMode = AlwaysConnected;
    }

};

TEST_F(SecureWatcher, ChecksOverTlsAndStlsAndSaysWhyACertificateWasRefused)
{
    TrustedTestCa ca; // a separate process, so its chain engine starts with the CA trusted
    ASSERT_TRUE(ca.trusted());
    std::string listBytes = readWholeFile(folder.file("default.tsl"));
    ASSERT_TRUE(program.launch(exe, "", folder.path())) << "no main window appeared";
    EXPECT_TRUE(driver.logShows("secure: 3 messages", 60000)) << driver.log();
    EXPECT_TRUE(driver.logShows("starttls: 3 messages", 60000)) << driver.log();
    const std::string refused = "by address: warning: there was an error checking the account, make sure the "
                                "server is up, and your username and password are correct ERROR: -113\r\n";
    ASSERT_TRUE(driver.logShows(refused, 60000)) << driver.log();
    std::string log = driver.log();
    size_t next = log.find(refused) + refused.size();
    EXPECT_EQ("by address: error: certificate name does not match 127.0.0.1",
              log.substr(next + strlen("hh:mm "), log.find("\r\n", next) - next - strlen("hh:mm ")))
        << log;
    EXPECT_EQ(std::string::npos, log.find("secret")) << "the password never shows";

    EXPECT_EQ(0u, program.closeAndWait());
    EXPECT_EQ(listBytes, readWholeFile(folder.file("default.tsl")));
}

} // namespace
