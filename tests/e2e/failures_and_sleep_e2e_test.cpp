// tessary.exe under Wine: an account whose password the server refuses is told once however often
// it is checked, and a wake from sleep sent to the window stops the check that hung across it and
// checks that account again.
#include <gtest/gtest.h>
#include "storage/entry_list.h"
#include "storage/settings.h"
#include "support/hostile_pop3_server.h"
#include "support/program_process.h"
#include "support/temp_folder.h"
#include "resources/resource.h"
#include <string>
#include <vector>

namespace {

const unsigned short pop3PortOfTheProgram = 110;

// Takes every user name and refuses every password.
void refusePassword(HostileConnection& c)
{
    std::string line;
    if (!c.send("+OK ready\r\n"))
        return;
    while (c.readLine(line)) {
        if (line.compare(0, 4, "USER") == 0)
            c.send("+OK\r\n");
        else if (line.compare(0, 4, "PASS") == 0)
            c.send("-ERR [AUTH] authentication failed\r\n");
        else if (line == "QUIT")
            c.send("+OK bye\r\n");
        else
            c.send("-ERR unknown command\r\n");
    }
}

// Greets, then never answers: a check that waits on it is as stuck as one whose connection died
// while the machine slept.
void hangAfterGreeting(HostileConnection& c)
{
    std::string line;
    if (c.send("+OK ready\r\n"))
        while (!c.stopping() && c.readLine(line, 1000)) {
        }
    while (!c.stopping())
        Sleep(100);
}

class FailuresAndSleep : public ::testing::Test {
protected:
    TempFolder folder;
    HostilePop3Server refusing{ "127.0.0.2", refusePassword };
    HostilePop3Server hanging{ "127.0.0.3", hangAfterGreeting };
    ProgramProcess program;
    WindowDriver& driver = program.driver;

    void SetUp() override
    {
        ASSERT_TRUE(refusing.start(pop3PortOfTheProgram) && hanging.start(pop3PortOfTheProgram))
            << "the program always uses port 110, which this test must be able to listen on";
        EntryList list;
        addEntry(list, "wrong", "127.0.0.2");
        addEntry(list, "asleep", "127.0.0.3");
        ASSERT_TRUE(list.save(folder.file("default.tsl").c_str()));
        Settings settings = defaultSettings();
        settings.speakConnectSpeed = settings.speakCheckResults = 0;
        ASSERT_TRUE(saveSettings(folder.file("Tessary.dat").c_str(), settingsMagic, &settings, sizeof settings));
        std::string exe = copyProgramInto(folder.path(), TESSARY_EXE_LINUX_PATH);
        ASSERT_FALSE(exe.empty());
        ASSERT_TRUE(program.launch(exe, "", folder.path())) << "no main window appeared";
    }
    static void addEntry(EntryList& list, const char* name, const char* server)
    {
        MailboxEntry* e = list.addNew();
        e->setName(name);
        e->setServer(server);
        e->setUser("tester");
        e->setPassword("not the password");
        e->connectionMode = AlwaysConnected;
    }
    int rowOf(const std::string& name) const
    {
        std::vector<ListRow> rows = driver.rows();
        for (size_t row = 0; row < rows.size(); ++row)
            if (rows[row].name == name)
                return static_cast<int>(row);
        return -1;
    }
    int logCount(const std::string& part) const
    {
        std::string log = driver.log();
        int count = 0;
        for (size_t at = log.find(part); at != std::string::npos; at = log.find(part, at + 1))
            ++count;
        return count;
    }
    bool waitForCount(const std::string& part, int count, DWORD timeoutMs) const
    {
        for (DWORD waited = 0; waited < timeoutMs; waited += 100) {
            if (logCount(part) >= count)
                return true;
            Sleep(100);
        }
        return false;
    }
};

TEST_F(FailuresAndSleep, FiveRefusedChecksAreToldOnceAndAWakeChecksTheStuckAccountAgain)
{
    // The start checks both accounts; four more checks of the refused one are asked for by hand.
    const std::string refused = "wrong: warning: there was an error checking the account";
    ASSERT_TRUE(waitForCount(refused, 1, 30000)) << driver.log();
    for (int check = 2; check <= 5; ++check) {
        ASSERT_TRUE(driver.selectRow(rowOf("wrong")));
        driver.command(IDM_CHECK_SELECTED);
        ASSERT_TRUE(waitForCount(refused, check, 30000)) << driver.log();
    }
    EXPECT_EQ(5, logCount(" ERROR: -7"));
    EXPECT_EQ(1, logCount("warning: wrong cannot be checked: the server refused the password"));
    EXPECT_EQ(1, logCount("cannot be checked"));

    // The second account's check still waits on its server when the machine wakes.
    EXPECT_EQ(1, logCount("asleep: checking"));
    EXPECT_EQ(1, hanging.connections());
    PostMessageA(driver.window(), WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    EXPECT_TRUE(driver.logShows("resumed from sleep: checking 1 account that fell due", 15000)) << driver.log();
    EXPECT_TRUE(waitForCount("asleep: checking", 2, 40000)) << driver.log();
    for (int i = 0; i < 50 && hanging.connections() < 2; ++i)
        Sleep(100);
    EXPECT_EQ(2, hanging.connections());
    EXPECT_EQ(5, logCount("wrong: checking")); // not due again: it was checked a moment ago
    EXPECT_TRUE(driver.answers());
    EXPECT_EQ(0u, program.closeAndWait());
}

} // namespace
