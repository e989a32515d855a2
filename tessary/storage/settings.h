// The program-wide options record and its file "Tessary.dat".
#pragma once
#include <cstddef>
#include <cstdint>
#include "storage/damaged_files.h"

// 32 bytes, stored byte for byte after the file's magic. The one-byte fields hold 0 or 1; they are
// bytes rather than bool because they are read straight from the file. The first 28 bytes are the
// record of version 0107, the first 16 that of version 0106.
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
    // Version 0108: how mail and failures are announced.
    uint8_t showNotification;    // "Show a notification for new mail"
    uint8_t quietWhenBusy;       // hold sound, speech and pop-up while Windows says the user is busy
    uint8_t failureAlerts;       // tell the user when an account cannot be checked
    uint8_t reserved0108;        // unused; written back as read
};

static_assert(sizeof(Settings) == 32, "Settings is stored as 32 bytes");
static_assert(offsetof(Settings, windowLeft) == 8, "Settings layout");
static_assert(offsetof(Settings, windowTop) == 12, "Settings layout");
static_assert(offsetof(Settings, serverTimeoutSeconds) == 16, "Settings layout");
static_assert(offsetof(Settings, voiceIndex) == 20, "Settings layout");
static_assert(offsetof(Settings, speakFromAddresses) == 24, "Settings layout");
static_assert(offsetof(Settings, speakSubjects) == 25, "Settings layout");
static_assert(offsetof(Settings, reserved) == 26, "Settings layout");
static_assert(offsetof(Settings, showNotification) == 28, "Settings layout");
static_assert(offsetof(Settings, failureAlerts) == 30, "Settings layout");

// The settings file name and the magics of the current (32-byte) version and of the older ones,
// which are read and replaced by the current version at the next save.
extern const char* const settingsFileName;  // "Tessary.dat"
extern const char* const settingsMagic;     // "TSSET0108Quiet"
extern const char* const settings0107Magic; // "TSSET0107Saber", 28-byte record
extern const char* const settings0106Magic; // "TSSET0106BigBoss", 16-byte record
const size_t settingsRecordSize = sizeof(Settings);
const size_t settings0107RecordSize = 28;
const size_t settings0106RecordSize = 16;

// The record as a first run has it. serverTimeoutSeconds follows the POP3 wait limit in force.
Settings defaultSettings();

// Reads the magic, then up to recordLength bytes into record. False (record untouched) when the
// file is missing or its magic differs; a short record leaves the remaining bytes as they were.
bool loadSettings(const char* fileName, const char* magic, void* record, size_t recordLength);

// Writes the magic and the record. The old file is replaced only once the new one is complete on
// disk, so a failed save leaves the previous settings in place; the result says whether it worked.
bool saveSettings(const char* fileName, const char* magic, const void* record, size_t recordLength);

// Fills settings with the defaults, then loads the current version, else the older ones, newest
// first; the fields an older version lacks keep their defaults.
// False when neither could be read (a first run, or a damaged file).
bool loadCurrentOrPreviousSettings(const char* fileName, Settings& settings);
// The same, and a file that is there but has neither magic, cannot be opened, or has bytes after
// its record is kept aside before a save can replace it (see damaged_files.h); a missing file
// whose "<name>.new" is there is replaced by it first. The report says which.
bool loadCurrentOrPreviousSettings(const char* fileName, Settings& settings, FileLoadReport& report);
