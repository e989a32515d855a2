// The program-wide options record and its file "Tessary.dat".
#pragma once
#include <cstddef>
#include <cstdint>
#include "storage/damaged_files.h"

// 28 bytes, stored byte for byte after the file's magic. The one-byte fields hold 0 or 1; they are
// bytes rather than bool because they are read straight from the file.
struct Settings {
    uint8_t runAtStartup;        // "Run Tessary at system startup"
    uint8_t speakConnectSpeed;   // "Speak the speed at which my dialups connect"
    uint8_t speakCheckResults;   // "Speak the results of every email check performed"
    uint8_t fullVoiceFeedback;   // "Full voice feedback": the log is spoken line by line
    uint8_t skipWhenCpuBusy;     // hold checks back while the CPU is over 90 per cent
    uint8_t popupOnMail;         // show the window when there is mail
    uint8_t runInTray;           // "Run in tray"
    uint8_t syncAudio;           // sounds and speech play synchronously
    int32_t windowLeft;          // main window position at the last save; -1 means none saved
    int32_t windowTop;
    int32_t serverTimeoutSeconds; // POP3 wait limit
    int32_t voiceIndex;          // position of the chosen voice in the engine's list
    uint8_t speakFromAddresses;
    uint8_t speakSubjects;
    uint8_t reserved[2];         // unused; written back as read
};

static_assert(sizeof(Settings) == 28, "Settings is stored as 28 bytes");
static_assert(offsetof(Settings, windowLeft) == 8, "Settings layout");
static_assert(offsetof(Settings, windowTop) == 12, "Settings layout");
static_assert(offsetof(Settings, serverTimeoutSeconds) == 16, "Settings layout");
static_assert(offsetof(Settings, voiceIndex) == 20, "Settings layout");
static_assert(offsetof(Settings, speakFromAddresses) == 24, "Settings layout");
static_assert(offsetof(Settings, speakSubjects) == 25, "Settings layout");
static_assert(offsetof(Settings, reserved) == 26, "Settings layout");

// The settings file name and the magics of the current (28-byte) and previous (16-byte) versions.
extern const char* const settingsFileName;      // "Tessary.dat"
extern const char* const settingsMagic;         // "TSSET0107Saber"
extern const char* const previousSettingsMagic; // "TSSET0106BigBoss"
const size_t settingsRecordSize = sizeof(Settings);
const size_t previousSettingsRecordSize = 16;

// The record as a first run has it. serverTimeoutSeconds follows the POP3 wait limit in force.
Settings defaultSettings();

// Reads the magic, then up to recordLength bytes into record. False (record untouched) when the
// file is missing or its magic differs; a short record leaves the remaining bytes as they were.
bool loadSettings(const char* fileName, const char* magic, void* record, size_t recordLength);

// Writes the magic and the record. The old file is replaced only once the new one is complete on
// disk, so a failed save leaves the previous settings in place; the result says whether it worked.
bool saveSettings(const char* fileName, const char* magic, const void* record, size_t recordLength);

// Fills settings with the defaults, then loads the current version, else the previous one.
// False when neither could be read (a first run, or a damaged file).
bool loadCurrentOrPreviousSettings(const char* fileName, Settings& settings);
// The same, and a file that is there but has neither magic, cannot be opened, or has bytes after
// its record is kept aside before a save can replace it (see damaged_files.h); a missing file
// whose "<name>.new" is there is replaced by it first. The report says which.
bool loadCurrentOrPreviousSettings(const char* fileName, Settings& settings, FileLoadReport& report);
