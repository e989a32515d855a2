// tessary.exe started over damaged entry list and settings files, driven from outside: it starts
// and stays up, a damaged list is announced in one box, and after closing nothing the user had is
// lost: each file is unchanged, or its bytes are kept in the ".bad" copy beside it.
#include <gtest/gtest.h>
#include "storage/entry_list.h"
#include "storage/settings.h"
#include "support/file_bytes.h"
#include "support/program_process.h"
#include "support/temp_folder.h"
#include <functional>
#include <string>
#include <vector>

namespace {

const size_t settingsMagicLength = 14;
const size_t windowPositionOffset = 8; // windowLeft and windowTop change at every save
const size_t windowPositionLength = 8;

// One start of the program over a pair of files.
struct Start {
    const char* what;
    std::string list;
    bool hasSettings;             // whether a settings file is there at all
    std::string settings;
    bool settingsDamaged;         // a line about the settings file is expected in the log
    std::string listWarningStart; // the start of the box's text; empty: no box expected
};

class DamagedFiles : public ::testing::Test {
protected:
    TempFolder folder;
    std::string exe = copyProgramInto(folder.path(), TESSARY_EXE_LINUX_PATH);
    std::string listPath = folder.file("default.tsl");
    std::string settingsPath = folder.file("Tessary.dat");

    void SetUp() override { ASSERT_FALSE(exe.empty()); }

    // Three disabled entries: nothing is checked while the test runs.
    static std::string threeEntries()
    {
        TempFolder scratch;
        EntryList list;
        for (const char* name : { "home", "work", "club" }) {
            MailboxEntry* e = list.addNew();
            e->setName(name);
            e->setServer("mail.example.org");
            e->setUser("someone");
            e->setPassword("secret");
            e->connectionMode = AlwaysConnected;
            e->enabled = false;
        }
        list.save(scratch.file("default.tsl").c_str());
        return readWholeFile(scratch.file("default.tsl"));
    }

    static std::string goodSettings()
    {
        Settings s = defaultSettings();
        s.speakConnectSpeed = s.speakCheckResults = 0;
        s.voiceIndex = 7;
        return std::string(settingsMagic) + std::string(reinterpret_cast<const char*>(&s), sizeof s);
    }

    // Everything the user had is either in the file after the run or in its ".bad" copy. The
    // settings file is always saved again, with the window's position.
    void expectNothingLost(const Start& start)
    {
        std::string listAfter = readWholeFile(listPath);
        EXPECT_TRUE(listAfter == start.list || readWholeFile(listPath + ".bad") == start.list) << start.what;
        if (start.settings.empty())
            return;
        if (readWholeFile(settingsPath + ".bad") == start.settings)
            return;
        std::string settingsAfter = readWholeFile(settingsPath);
        ASSERT_GE(settingsAfter.size(), start.settings.size()) << start.what;
        for (size_t i = 0; i < start.settings.size(); ++i) {
            bool position = i >= settingsMagicLength + windowPositionOffset &&
                            i < settingsMagicLength + windowPositionOffset + windowPositionLength;
            if (!position) {
                EXPECT_EQ(start.settings[i], settingsAfter[i]) << start.what << ": settings byte " << i;
            }
        }
    }

    void run(const Start& start)
    {
        SCOPED_TRACE(start.what);
        for (const std::string& leftover : { listPath + ".bad", settingsPath + ".bad", settingsPath })
            DeleteFileA(leftover.c_str());
        ASSERT_TRUE(writeWholeFile(listPath, start.list));
        if (start.hasSettings) {
            ASSERT_TRUE(writeWholeFile(settingsPath, start.settings));
        }

        ProgramProcess program;
        bool launched = program.launch(exe, "", folder.path());
        EXPECT_TRUE(launched) << "no main window appeared; CreateProcess error " << program.startError;
        if (launched)
            checkRunningProgram(start, program);
        program.end();
        expectNothingLost(start);
    }

    void checkRunningProgram(const Start& start, ProgramProcess& program)
    {
        const WindowDriver& driver = program.driver;
        if (!start.listWarningStart.empty()) {
            std::vector<HWND> boxes;
            ASSERT_TRUE(waitUntil([&] { return !(boxes = driver.openBoxes()).empty(); }, 10000))
                << "no box about the damaged list";
            ASSERT_EQ(1u, boxes.size());
            EXPECT_EQ("Tessary", textOf(boxes[0]));
            EXPECT_EQ(0u, boxMessage(boxes[0]).find(start.listWarningStart)) << boxMessage(boxes[0]);
            EXPECT_TRUE(driver.answers()); // its loop runs under the box
            PostMessageA(boxes[0], WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            EXPECT_TRUE(waitUntil([&] { return driver.openBoxes().empty(); }, 5000));
            EXPECT_TRUE(driver.log().find("error: the entry list default.tsl") != std::string::npos) << driver.log();
        }
        EXPECT_EQ(start.settingsDamaged,
                  driver.log().find("error: the settings file Tessary.dat was damaged") != std::string::npos)
            << driver.log();
        // The program stays up, answers, and shows no further box.
        Sleep(1000);
        EXPECT_TRUE(program.running());
        EXPECT_TRUE(driver.answers());
        EXPECT_TRUE(driver.openBoxes().empty()) << driver.log();
        EXPECT_TRUE(driver.log().find("data folder: " + folder.path()) != std::string::npos) << driver.log();
        EXPECT_EQ(0u, program.closeAndWait());
    }
};

TEST_F(DamagedFiles, TheProgramStartsStaysUpAndLosesNothing)
{
    const std::string list = threeEntries();
    const std::string settings = goodSettings();
    const size_t firstEntry = 35;
    const size_t secondServerLength = [&] {
        // The second entry starts after the first: its name "work" follows a length of 4.
        size_t second = list.find(int32Bytes(4) + "work");
        return second + 8; // the server's length comes right after the name
    }();

    std::string flipped = list;
    flipped[firstEntry + 4] ^= 0x20;        // "home" becomes "Home": read and saved as it is
    std::string flippedLength = flipped;
    flippedLength[secondServerLength + 3] ^= 0x40; // the second entry's server is suddenly huge
    std::string flippedMagic = settings;
    flippedMagic[10] ^= 0x20;              // "Saber" becomes "SAber"

    std::vector<Start> starts = {
        { "cut inside the last entry, settings cut inside the record", list.substr(0, list.size() - 20), true,
          settings.substr(0, settingsMagicLength + 20), false,
          "The entry list default.tsl was damaged; 2 entries were read, the file is kept as default.tsl.bad" },
        { "flipped bytes in a name, a length and the settings magic", flippedLength, true, flippedMagic, true,
          "The entry list default.tsl was damaged; 1 entries were read" },
        { "a huge count over three entries, junk after the settings",
          list.substr(0, 31) + int32Bytes(0x7FFFFFFF) + list.substr(35), true, settings + std::string(100, '\xEE'),
          true, "The entry list default.tsl was damaged; 3 entries were read" },
        { "a count smaller than the entries stored, an empty settings file",
          list.substr(0, 31) + int32Bytes(1) + list.substr(35), true, std::string(), true,
          "The entry list default.tsl was damaged; 1 entries were read" },
        { "an absurd first name length, no settings file",
          list.substr(0, 35) + int32Bytes(0x7FFFFFF0) + list.substr(39), false, std::string(), false,
          "The entry list default.tsl was damaged; 0 entries were read" },
        { "only a changed letter", flipped, true, settings, false, "" },
    };
    for (const Start& start : starts)
        run(start);
}

} // namespace
