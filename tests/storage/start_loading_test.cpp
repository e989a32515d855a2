// The main window's creation reading the data files: the data folder line, the messages about
// damaged, unreadable and interrupted files, the box about a damaged entry list, and a program
// folder the user may not write.
#include <gtest/gtest.h>
#include "support/data_folders.h"
#include "support/main_window_harness.h"
#include "platform/fatal_error.h"
#include <vector>

namespace {

std::vector<std::string> logLines(const std::string& log)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = log.find("\r\n"); end != std::string::npos; end = log.find("\r\n", start)) {
        lines.push_back(log.substr(start, end - start));
        start = end + 2;
    }
    lines.push_back(log.substr(start));
    return lines;
}

bool logHas(const MainWindowHarness& h, const std::string& line)
{
    for (const std::string& one : logLines(h.log()))
        if (one == line)
            return true;
    return false;
}

void twoEntries(EntryList& list)
{
    for (const char* name : { "home", "work" }) {
        MailboxEntry* e = list.addNew();
        e->setName(name);
        e->setServer("mail.example.org");
    }
}

class StartLoading : public ::testing::Test {
protected:
    UserDataFolder user; // emptied after the window has gone
    MainWindowHarness h;
    std::string listPath = h.folder.file("default.tsl");
    std::string settingsPath = h.folder.file("Tessary.dat");
};

TEST_F(StartLoading, TheDataFolderLineFollowsTheBannerAndGoodFilesSayNothing)
{
    h.writeEntryList(twoEntries);
    h.writeSettings([](Settings& s) { s.speakConnectSpeed = s.speakCheckResults = 0; }); // no speech warnings
    ASSERT_NE(nullptr, h.open());
    std::vector<std::string> lines = logLines(h.log());
    ASSERT_EQ(3u, lines.size()) << h.log();
    EXPECT_EQ("Initializing... 6 seconds", lines[1]);
    EXPECT_EQ("data folder: " + h.folder.path(), lines[2]);
    h.pump(100);
    EXPECT_TRUE(h.ui.boxes.empty());
    EXPECT_EQ(2, h.rowCount());
}

TEST_F(StartLoading, ADamagedListIsLoggedAndAnnouncedOnceAndItsBytesKept)
{
    h.writeEntryList(twoEntries);
    std::string bytes = readWholeFile(listPath);
    bytes.resize(bytes.size() - 3);
    ASSERT_TRUE(writeWholeFile(listPath, bytes));
    ASSERT_NE(nullptr, h.open());
    EXPECT_TRUE(h.ui.boxes.empty()); // not inside the window's creation
    EXPECT_TRUE(logHas(h, "12:00 error: the entry list default.tsl was damaged; 1 entries were read, the file is "
                          "kept as default.tsl.bad"))
        << h.log();
    h.pump(200);
    ASSERT_EQ(1u, h.ui.boxes.size());
    EXPECT_EQ("Tessary", h.ui.boxes[0].caption);
    EXPECT_EQ("The entry list default.tsl was damaged; 1 entries were read, the file is kept as default.tsl.bad.",
              h.ui.boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), h.ui.boxes[0].type);
    EXPECT_EQ(h.window(), h.ui.boxes[0].owner);
    EXPECT_EQ(1, h.rowCount());
    h.close();
    EXPECT_EQ(bytes, readWholeFile(listPath + ".bad"));
    EntryList saved;
    ASSERT_TRUE(saved.load(listPath.c_str()));
    EXPECT_EQ(1, saved.count);
    EXPECT_EQ(1u, h.ui.boxes.size());
}

TEST_F(StartLoading, ADamagedSettingsFileIsLoggedWithoutABox)
{
    ASSERT_TRUE(writeWholeFile(settingsPath, "TSSET0107SABER and the rest"));
    ASSERT_NE(nullptr, h.open());
    EXPECT_TRUE(logHas(h, "12:00 error: the settings file Tessary.dat was damaged; the defaults are used, the file "
                          "is kept as Tessary.dat.bad"))
        << h.log();
    EXPECT_EQ(1u, h.ui.helpTopics.size()); // as on a first run
    h.pump(100);
    EXPECT_TRUE(h.ui.boxes.empty());
    h.close();
    EXPECT_EQ("TSSET0107SABER and the rest", readWholeFile(settingsPath + ".bad"));
    EXPECT_EQ(46u, readWholeFile(settingsPath).size());
}

TEST_F(StartLoading, FilesLeftAsNewByAnInterruptedSaveAreUsedAndLogged)
{
    h.writeEntryList(twoEntries);
    h.writeSettings([](Settings& s) { s.serverTimeoutSeconds = 33; });
    ASSERT_TRUE(MoveFileA(listPath.c_str(), (listPath + ".new").c_str()));
    ASSERT_TRUE(MoveFileA(settingsPath.c_str(), (settingsPath + ".new").c_str()));
    ASSERT_NE(nullptr, h.open());
    EXPECT_TRUE(logHas(h, "12:00 warning: the entry list default.tsl was missing; default.tsl.new was used in its "
                          "place"))
        << h.log();
    EXPECT_TRUE(logHas(h, "12:00 warning: the settings file Tessary.dat was missing; Tessary.dat.new was used in its "
                          "place"))
        << h.log();
    EXPECT_EQ(2, h.rowCount());
    EXPECT_EQ(33, app.settings.serverTimeoutSeconds);
    EXPECT_TRUE(h.ui.helpTopics.empty());
    EXPECT_TRUE(fileExists(listPath));
    EXPECT_FALSE(fileExists(listPath + ".new"));
}

TEST_F(StartLoading, AnEntryWhosePasswordThisUserCannotReadIsLoggedAndKept)
{
    h.writeEntryList([](EntryList& list) {
        twoEntries(list);
        list.head->setPassword("secret");
        list.head->next->setPassword("secret");
    });
    // The first entry's blob altered, as a copy to another user or machine makes it unreadable.
    EntryList written;
    ASSERT_TRUE(written.load(listPath.c_str()));
    std::string blob(written.head->storedSecrets.bytes(), written.head->storedSecrets.length());
    std::string bytes = readWholeFile(listPath);
    size_t at = bytes.find(blob);
    ASSERT_NE(std::string::npos, at);
    bytes[at + blob.size() / 2] ^= 0x10;
    ASSERT_TRUE(writeWholeFile(listPath, bytes));

    ASSERT_NE(nullptr, h.open());
    EXPECT_TRUE(logHas(h, "12:00 warning: the password of home cannot be read by this user; enter it again"))
        << h.log();
    EXPECT_EQ(std::string::npos, h.log().find("the password of work")) << h.log();
    EXPECT_EQ(2, h.rowCount());
    h.pump(200);
    EXPECT_TRUE(h.ui.boxes.empty());
    h.close();
    EXPECT_EQ(bytes, readWholeFile(listPath)) << "the unreadable password is kept for its own user";
}

TEST_F(StartLoading, AListHeldByAnotherProgramIsNeverSavedOverWhileItCannotBeKept)
{
    h.writeEntryList(twoEntries);
    std::string bytes = readWholeFile(listPath);
    HANDLE held = CreateFileA(listPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    ASSERT_NE(nullptr, h.open());
    EXPECT_TRUE(logHas(h, "12:00 error: the entry list default.tsl could not be read (error 32); no entries were "
                          "read, the file is not saved over until it can be kept as default.tsl.bad"))
        << h.log();
    h.pump(200);
    ASSERT_EQ(1u, h.ui.boxes.size());
    EXPECT_EQ(0u, h.ui.boxes[0].text.find("The entry list default.tsl could not be read"));
    h.close();
    ASSERT_EQ(2u, h.ui.boxes.size());
    EXPECT_EQ("Could not save entry list!", h.ui.boxes[1].text);
    fatalErrorRaised = false;
    CloseHandle(held);
    EXPECT_EQ(bytes, readWholeFile(listPath));
}

TEST_F(StartLoading, AProgramFolderTheUserMayNotWriteKeepsTheDataInTheUserFolder)
{
    ReadOnlyFolder readOnly(h.folder.path());
    h.writeEntryList(twoEntries);
    h.writeSettings([](Settings& s) { s.voiceIndex = 3; });
    std::string programList = readWholeFile(listPath);
    std::string programSettings = readWholeFile(settingsPath);
    ASSERT_NE(nullptr, h.open());
    std::vector<std::string> lines = logLines(h.log());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ("data folder: " + user.path(), lines[2]);
    EXPECT_EQ(2, h.rowCount());
    EXPECT_EQ(3, app.settings.voiceIndex);

    app.entries.addNew()->setName("third");
    app.settings.voiceIndex = 5;
    h.close();
    EntryList saved;
    ASSERT_TRUE(saved.load((user.path() + "default.tsl").c_str()));
    EXPECT_EQ(3, saved.count);
    Settings savedSettings;
    ASSERT_TRUE(loadCurrentOrPreviousSettings((user.path() + "Tessary.dat").c_str(), savedSettings));
    EXPECT_EQ(5, savedSettings.voiceIndex);
    EXPECT_EQ(programList, readWholeFile(listPath));
    EXPECT_EQ(programSettings, readWholeFile(settingsPath));
}

} // namespace
