// Loading and saving the settings record, the current file version and the older ones.
#include "storage/settings.h"
#include "storage/binary_file.h"
#include "mailcheck/session_limits.h"
#include <cstring>

const char* const settingsFileName = "Tessary.dat";
const char* const settingsMagic = "TSSET0108Quiet";
const char* const settings0107Magic = "TSSET0107Saber";
const char* const settings0106Magic = "TSSET0106BigBoss";

Settings defaultSettings()
{
    Settings s;
    memset(&s, 0, sizeof s);
    s.runAtStartup = 0;
    s.speakConnectSpeed = 1;
    s.speakCheckResults = 1;
    s.fullVoiceFeedback = 0;
    s.skipWhenCpuBusy = 0;
    s.popupOnMail = 0;
    s.runInTray = 1;
    s.syncAudio = 0;
    s.windowLeft = -1;
    s.windowTop = 0;
    s.serverTimeoutSeconds = serverTimeoutMs / 1000;
    s.voiceIndex = 0;
    s.speakFromAddresses = 1;
    s.speakSubjects = 1;
    s.showNotification = 1;
    s.quietWhenBusy = 1;
    s.failureAlerts = 1;
    return s;
}

namespace {

struct SettingsVersion {
    const char* magic;
    size_t recordSize;
};

// Newest first: a file is read in the first version whose magic it starts with.
const SettingsVersion settingsVersions[] = {
    { settingsMagic, settingsRecordSize },
    { settings0107Magic, settings0107RecordSize },
    { settings0106Magic, settings0106RecordSize },
};

// Reads magic and the record after it from where file stands. False, with record untouched, when
// the file does not go on with magic.
bool readRecord(FileReader& file, const char* magic, void* record, size_t recordLength)
{
    size_t magicLength = strlen(magic);
    char found[64];
    if (magicLength > sizeof found || !file.readBytes(found, magicLength) ||
        memcmp(found, magic, magicLength) != 0)
        return false;
    // A short record keeps the bytes it does not reach; only what the file holds is read.
    file.readSome(record, recordLength);
    return true;
}

} // namespace

bool loadSettings(const char* fileName, const char* magic, void* record, size_t recordLength)
{
    FileReader file;
    return file.open(fileName) && readRecord(file, magic, record, recordLength);
}

bool saveSettings(const char* fileName, const char* magic, const void* record, size_t recordLength)
{
    AtomicFileWriter file;
    return file.open(fileName) && file.writeBytes(magic, strlen(magic)) &&
           file.writeBytes(record, recordLength) && file.commit();
}

bool loadCurrentOrPreviousSettings(const char* fileName, Settings& settings)
{
    FileLoadReport report;
    return loadCurrentOrPreviousSettings(fileName, settings, report);
}

bool loadCurrentOrPreviousSettings(const char* fileName, Settings& settings, FileLoadReport& report)
{
    settings = defaultSettings();
    FileReader file;
    if (!openForLoading(fileName, file, report))
        return false;
    report.recordRead = false;
    bool opened = true;
    for (const SettingsVersion& version : settingsVersions) {
        if (&version != settingsVersions)
            opened = file.open(fileName);
        if (opened && readRecord(file, version.magic, &settings, version.recordSize)) {
            report.recordRead = true;
            break;
        }
    }
    // A shorter record is read as far as it goes, as it always was; bytes after the record would be
    // lost by the next save, so they are damage.
    bool readInFull = report.recordRead && file.remaining() == 0;
    file.close();
    finishLoading(fileName, readInFull, report);
    return report.recordRead;
}
