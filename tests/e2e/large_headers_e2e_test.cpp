// tessary.exe checking a Dovecot mailbox of real-sized header blocks, from 3 KB to past the
// 256 KB a block is kept up to: the check counts every message, fails on none, and logs who wrote.
#include <gtest/gtest.h>
#include "support/dovecot_maildir.h"
#include "storage/entry_list.h"
#include "storage/settings.h"
#include "support/port_relay.h"
#include "support/program_process.h"
#include "support/realistic_headers.h"
#include "support/temp_folder.h"
#include <cstdlib>
#include <string>

namespace {

const unsigned short pop3PortOfTheProgram = 110;
const int messages = 50;

TEST(LargeHeaders, AMailboxOfHeaderBlocksFromThreeToThreeHundredKilobytesIsCountedWhole)
{
    ASSERT_FALSE(environment("TESSARY_DOVECOT_PORT").empty()) << "run through tests/support/with-dovecot";
    PortRelay relay;
    ASSERT_TRUE(relay.start(pop3PortOfTheProgram,
                            static_cast<unsigned short>(atoi(environment("TESSARY_DOVECOT_PORT").c_str()))))
        << "the program always uses port 110, which this test must be able to listen on";
    std::string maildir = environment("TESSARY_DOVECOT_MAILDIR");
    emptyMaildir(maildir);
    for (int n = 0; n < messages; ++n) {
        size_t bytes = 3 * 1024 + size_t(n) * (297 * 1024) / (messages - 1); // 3 KB up to 300 KB
        ASSERT_TRUE(writeWholeFile(maildir + "new\\" + std::to_string(1000 + n) + ".big:2,",
                                   realisticMessage(bytes, uint32_t(n + 1))));
    }

    TempFolder folder;
    std::string exe = copyProgramInto(folder.path(), TESSARY_EXE_LINUX_PATH);
    ASSERT_FALSE(exe.empty());
    EntryList list;
    MailboxEntry* entry = list.addNew();
    entry->setName("big");
    entry->setServer("127.0.0.1");
    entry->setUser("tester");
    entry->setPassword("secret");
    entry->connectionMode = AlwaysConnected;
    ASSERT_TRUE(list.save(folder.file("default.tsl").c_str()));
    Settings settings = defaultSettings();
    settings.speakConnectSpeed = settings.speakCheckResults = 0;
    ASSERT_TRUE(saveSettings(folder.file("Tessary.dat").c_str(), settingsMagic, &settings, sizeof settings));

    ProgramProcess program;
    char workingDirectory[MAX_PATH];
    GetTempPathA(sizeof workingDirectory, workingDirectory);
    ASSERT_TRUE(program.launch(exe, "", workingDirectory)) << "no main window appeared";
    ASSERT_TRUE(program.driver.logShows("big: " + std::to_string(messages) + " messages", 60000))
        << program.driver.log();
    std::string log = program.driver.log();
    EXPECT_EQ(std::string::npos, log.find("ERROR")) << log;
    // The first 20 announced messages are named, decoded, in mailbox order; the rest are counted.
    ASSERT_TRUE(program.driver.logShows("big: ... and 30 more", 10000)) << program.driver.log();
    log = program.driver.log();
    size_t at = 0;
    for (int n = 1; n <= 20; ++n) {
        // The subject's encoded word ends in a blank of its own, then comes the plain " <n>".
        std::string named = "big: Ren\xE9" "e Sender " + std::to_string(n) + ": Message  " + std::to_string(n) + "\r\n";
        size_t found = log.find(named, at);
        ASSERT_NE(std::string::npos, found) << "message " << n << " not named in order:\n" << log;
        at = found + named.size();
    }
    EXPECT_EQ(std::string::npos, log.find("Sender 21:")) << log;
    std::vector<ListRow> rows = program.driver.rows();
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ(std::to_string(messages), rows[0].result);
    EXPECT_EQ(0u, program.closeAndWait());
}

} // namespace
