// The settings file: its defaults, every version byte for byte, damage, unreadable files, the
// recovery of an interrupted save and failed saves.
#include <gtest/gtest.h>
#include "storage/settings.h"
#include "mailcheck/session_limits.h"
#include "support/seam_override.h"
#include "support/temp_folder.h"
#include <cstring>

namespace {

const unsigned char defaultRecordBytes[32] = {
    0x00, 0x01, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00,
    0x5A, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x01, 0x01, 0x01, 0x00,
};

std::string currentFile(const Settings& s)
{
    return std::string("TSSET0108Quiet") + std::string(reinterpret_cast<const char*>(&s), sizeof s);
}

// The file of version 0107: its 28-byte record is the first 28 bytes of today's.
std::string version0107File(const Settings& s)
{
    return std::string("TSSET0107Saber") + std::string(reinterpret_cast<const char*>(&s), 28);
}

class SettingsFile : public ::testing::Test {
protected:
    TempFolder folder;
    std::string path = folder.file("Tessary.dat");
};

TEST_F(SettingsFile, DefaultsSaveAsFortySixBytesWithTheAnnouncementsOn)
{
    Settings s = defaultSettings();
    EXPECT_EQ(0, memcmp(&s, defaultRecordBytes, 32));
    ASSERT_TRUE(saveSettings(path.c_str(), settingsMagic, &s, settingsRecordSize));
    std::string bytes = readWholeFile(path);
    ASSERT_EQ(46u, bytes.size());
    EXPECT_EQ("TSSET0108Quiet", bytes.substr(0, 14));
    EXPECT_EQ(0, memcmp(bytes.data() + 14, defaultRecordBytes, 32));
}

TEST_F(SettingsFile, DefaultTimeoutFollowsTheWaitLimitInForce)
{
    SeamOverride<volatile LONG> timeout(serverTimeoutMs, 30000);
    EXPECT_EQ(30, defaultSettings().serverTimeoutSeconds);
}

TEST_F(SettingsFile, RoundTripKeepsEveryFieldAndTheReservedBytes)
{
    Settings s = defaultSettings();
    s.runAtStartup = 1;
    s.syncAudio = 1;
    s.windowLeft = 123;
    s.windowTop = -7;
    s.serverTimeoutSeconds = 15;
    s.voiceIndex = 3;
    s.speakSubjects = 0;
    s.reserved[0] = 0xAB;
    s.reserved[1] = 0xCD;
    s.showNotification = 0;
    s.quietWhenBusy = 0;
    s.reserved0108 = 0xEF;
    ASSERT_TRUE(saveSettings(path.c_str(), settingsMagic, &s, settingsRecordSize));
    Settings back;
    ASSERT_TRUE(loadCurrentOrPreviousSettings(path.c_str(), back));
    EXPECT_EQ(0, memcmp(&s, &back, sizeof s));
}

TEST_F(SettingsFile, MissingFileOrForeignMagicLeavesDefaultsAndFails)
{
    Settings s;
    EXPECT_FALSE(loadCurrentOrPreviousSettings(path.c_str(), s));
    EXPECT_EQ(0, memcmp(&s, defaultRecordBytes, 32));

    Settings other = defaultSettings();
    other.windowLeft = 5;
    std::string lowerCase = currentFile(other);
    lowerCase[5] = 's'; // "TSSEt..." differs from the magic only in letter case
    lowerCase[4] = 't';
    ASSERT_TRUE(writeWholeFile(path, lowerCase));
    Settings untouched;
    memset(&untouched, 0x77, sizeof untouched);
    EXPECT_FALSE(loadSettings(path.c_str(), settingsMagic, &untouched, settingsRecordSize));
    for (size_t i = 0; i < sizeof untouched; ++i)
        EXPECT_EQ(0x77, reinterpret_cast<unsigned char*>(&untouched)[i]) << "byte " << i;

    for (std::string olderLowerCase : { std::string("TSSET0107SabeR") + std::string(28, '\1'),
                                        std::string("TSSET0106BigBosS") + std::string(16, '\1') }) {
        ASSERT_TRUE(writeWholeFile(path, olderLowerCase));
        EXPECT_FALSE(loadCurrentOrPreviousSettings(path.c_str(), s));
        EXPECT_EQ(0, memcmp(&s, defaultRecordBytes, 32));
    }
}

TEST_F(SettingsFile, AFileWithNeitherMagicIsKeptAsideBeforeTheDefaultsAreSaved)
{
    std::string foreign = "not a settings file at all, but somebody's bytes";
    ASSERT_TRUE(writeWholeFile(path, foreign));
    Settings s;
    FileLoadReport report;
    EXPECT_FALSE(loadCurrentOrPreviousSettings(path.c_str(), s, report));
    EXPECT_EQ(FileLoadReport::Damaged, report.outcome);
    EXPECT_FALSE(report.recordRead);
    EXPECT_EQ(path + ".bad", std::string(report.keptAs));
    EXPECT_EQ(foreign, readWholeFile(path + ".bad"));
    EXPECT_EQ(0, memcmp(&s, defaultRecordBytes, 32));
}

TEST_F(SettingsFile, BytesAfterTheRecordAreDamageButTheRecordIsUsed)
{
    Settings saved = defaultSettings();
    saved.voiceIndex = 4;
    std::string longer = currentFile(saved) + "tail";
    ASSERT_TRUE(writeWholeFile(path, longer));
    Settings s;
    FileLoadReport report;
    EXPECT_TRUE(loadCurrentOrPreviousSettings(path.c_str(), s, report));
    EXPECT_EQ(FileLoadReport::Damaged, report.outcome);
    EXPECT_TRUE(report.recordRead);
    EXPECT_EQ(4, s.voiceIndex);
    EXPECT_EQ(longer, readWholeFile(path + ".bad"));

    // Each exact version is read in full, with nothing kept.
    DeleteFileA((path + ".bad").c_str());
    for (std::string exact : { currentFile(saved), version0107File(saved),
                               std::string("TSSET0106BigBoss") + std::string(16, '\0') }) {
        ASSERT_TRUE(writeWholeFile(path, exact));
        EXPECT_TRUE(loadCurrentOrPreviousSettings(path.c_str(), s, report));
        EXPECT_EQ(FileLoadReport::Read, report.outcome);
        EXPECT_FALSE(fileExists(path + ".bad"));
    }
}

TEST_F(SettingsFile, AFileThatCannotBeOpenedIsNotSavedOverUntilItsBytesAreKept)
{
    Settings saved = defaultSettings();
    saved.voiceIndex = 2;
    ASSERT_TRUE(saveSettings(path.c_str(), settingsMagic, &saved, settingsRecordSize));
    std::string before = readWholeFile(path);
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    Settings s;
    FileLoadReport report;
    EXPECT_FALSE(loadCurrentOrPreviousSettings(path.c_str(), s, report));
    EXPECT_EQ(FileLoadReport::Unreadable, report.outcome);
    EXPECT_STREQ("", report.keptAs);
    EXPECT_EQ(0, memcmp(&s, defaultRecordBytes, 32));
    CloseHandle(held);
    // Released, but not read again: the defaults replace it only after its bytes were kept.
    ASSERT_TRUE(saveSettings(path.c_str(), settingsMagic, &s, settingsRecordSize));
    EXPECT_EQ(before, readWholeFile(path + ".bad"));
}

TEST_F(SettingsFile, AMissingFileIsTakenFromItsNewFile)
{
    Settings saved = defaultSettings();
    saved.windowLeft = 77;
    ASSERT_TRUE(writeWholeFile(path + ".new", currentFile(saved)));
    Settings s;
    FileLoadReport report;
    ASSERT_TRUE(loadCurrentOrPreviousSettings(path.c_str(), s, report));
    EXPECT_TRUE(report.usedNewFile);
    EXPECT_EQ(FileLoadReport::Read, report.outcome);
    EXPECT_EQ(77, s.windowLeft);
    EXPECT_EQ(currentFile(saved), readWholeFile(path));
    EXPECT_FALSE(fileExists(path + ".new"));
}

TEST_F(SettingsFile, PreviousVersionGivesItsSixteenBytesAndDefaultsForTheRest)
{
    const unsigned char old[16] = { 1, 0, 0, 1, 1, 1, 0, 1, 0x10, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00 };
    ASSERT_TRUE(writeWholeFile(path, std::string("TSSET0106BigBoss") +
                                         std::string(reinterpret_cast<const char*>(old), 16)));
    Settings s;
    ASSERT_TRUE(loadCurrentOrPreviousSettings(path.c_str(), s));
    EXPECT_EQ(0, memcmp(&s, old, 16));
    EXPECT_EQ(90, s.serverTimeoutSeconds);
    EXPECT_EQ(0, s.voiceIndex);
    EXPECT_EQ(1, s.speakFromAddresses);
    EXPECT_EQ(1, s.speakSubjects);

    EXPECT_EQ(1, s.showNotification);
    EXPECT_EQ(1, s.quietWhenBusy);
    EXPECT_EQ(1, s.failureAlerts);

    ASSERT_TRUE(saveSettings(path.c_str(), settingsMagic, &s, settingsRecordSize));
    std::string bytes = readWholeFile(path);
    ASSERT_EQ(46u, bytes.size());
    EXPECT_EQ("TSSET0108Quiet", bytes.substr(0, 14));
}

TEST_F(SettingsFile, Version0107GivesItsTwentyEightBytesAndTurnsTheAnnouncementsOn)
{
    Settings old = defaultSettings();
    memset(&old, 0, sizeof old);
    old.runAtStartup = 1;
    old.windowLeft = 40;
    old.voiceIndex = 2;
    old.speakSubjects = 0;
    old.reserved[1] = 0x5C;
    ASSERT_TRUE(writeWholeFile(path, version0107File(old)));
    Settings s;
    FileLoadReport report;
    ASSERT_TRUE(loadCurrentOrPreviousSettings(path.c_str(), s, report));
    EXPECT_EQ(FileLoadReport::Read, report.outcome);
    EXPECT_EQ(0, memcmp(&s, &old, 28));
    EXPECT_EQ(1, s.showNotification);
    EXPECT_EQ(1, s.quietWhenBusy);
    EXPECT_EQ(1, s.failureAlerts);
    EXPECT_EQ(0, s.reserved0108);

    ASSERT_TRUE(saveSettings(path.c_str(), settingsMagic, &s, settingsRecordSize));
    EXPECT_EQ(currentFile(s), readWholeFile(path));
}

TEST_F(SettingsFile, TruncationAtEveryByteNeverReadsPastTheData)
{
    Settings saved = defaultSettings();
    memset(&saved, 0x42, sizeof saved);
    for (const std::string& whole : { currentFile(saved), version0107File(saved) }) {
        for (size_t cut = 0; cut <= whole.size(); ++cut) {
            ASSERT_TRUE(writeWholeFile(path, whole.substr(0, cut)));
            Settings s;
            bool loaded = loadCurrentOrPreviousSettings(path.c_str(), s);
            Settings defaults = defaultSettings();
            if (cut < 14) {
                EXPECT_FALSE(loaded) << "cut at " << cut;
                EXPECT_EQ(0, memcmp(&s, &defaults, sizeof s)) << "cut at " << cut;
                continue;
            }
            EXPECT_TRUE(loaded) << "cut at " << cut;
            size_t fromFile = cut - 14;
            for (size_t i = 0; i < sizeof s; ++i) {
                unsigned char expected = i < fromFile ? 0x42 : reinterpret_cast<unsigned char*>(&defaults)[i];
                ASSERT_EQ(expected, reinterpret_cast<unsigned char*>(&s)[i])
                    << whole.substr(0, 14) << " cut " << cut << " byte " << i;
            }
        }
    }
}

TEST_F(SettingsFile, FailedSaveReportsFailureAndKeepsThePreviousFile)
{
    Settings s = defaultSettings();
    ASSERT_TRUE(saveSettings(path.c_str(), settingsMagic, &s, settingsRecordSize));
    std::string before = readWholeFile(path);

    // A file held open without sharing (an editor, a virus scanner) cannot be replaced: the save
    // fails and the old bytes stay.
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    s.windowLeft = 99;
    EXPECT_FALSE(saveSettings(path.c_str(), settingsMagic, &s, settingsRecordSize));
    CloseHandle(held);
    EXPECT_EQ(before, readWholeFile(path));
    EXPECT_FALSE(fileExists(path + ".new"));

    // A folder that does not exist cannot hold the file.
    EXPECT_FALSE(saveSettings(folder.file("missing\\Tessary.dat").c_str(), settingsMagic, &s,
                              settingsRecordSize));
}

} // namespace
