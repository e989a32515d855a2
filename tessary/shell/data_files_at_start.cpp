// The start's data folder and file messages. Log lines name the files without their folder: the
// data folder line at the top of the log says where they are.
#include "shell/data_files_at_start.h"
#include "shell/activity_log.h"
#include "shell/startup.h"
#include "signin/oauth_providers.h"
#include "storage/data_folder.h"
#include "platform/messages.h"
#include "platform/ui_calls.h"
#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

const size_t lineSize = 700;

// What the box says once the window runs; empty when there is nothing to say.
char entryListWarning[lineSize] = "";

const char* nameOf(const char* path)
{
    const char* slash = strrchr(path, '\\');
    return slash ? slash + 1 : path;
}

// The end of every line about a file that was set aside.
void describeWhereKept(const FileLoadReport& report, const char* fileName, char* text, size_t size)
{
    if (report.keptAs[0])
        snprintf(text, size, "the file is kept as %s", nameOf(report.keptAs));
    else
        snprintf(text, size, "the file is not saved over until it can be kept as %s.bad", fileName);
}

void logNewFileUsed(const char* what, const char* fileName)
{
    char line[lineSize];
    snprintf(line, sizeof line, "warning: the %s %s was missing; %s.new was used in its place", what, fileName,
             fileName);
    LogEntryLine(nullptr, line);
}

// The box repeats the log line as a sentence.
void keepAsBoxText(const char* line)
{
    const char* sentence = strncmp(line, "error: ", 7) == 0 ? line + 7 : line;
    snprintf(entryListWarning, sizeof entryListWarning, "%s.", sentence);
    entryListWarning[0] = static_cast<char>(toupper(static_cast<unsigned char>(entryListWarning[0])));
}

} // namespace

void ChooseDataFolderAtStart()
{
    DataFolderChoice choice = chooseDataFolder(programFolder);
    char line[lineSize];
    snprintf(line, sizeof line, "data folder: %s", dataFolder());
    LogLine(line, nullptr, false, true);
    if (choice.problem == DataFolderChoice::NoUserFolder) {
        LogEntryLine(nullptr, "error: SHGetFolderPath() failed, the data files stay in the program folder");
    } else if (choice.problem == DataFolderChoice::CannotCreate) {
        snprintf(line, sizeof line, "error: could not create the data folder %s, the data files stay in the program folder",
                 choice.userFolder);
        LogEntryLine(nullptr, line);
    }
    for (size_t i = 0; i < choice.notCopiedCount; ++i) {
        snprintf(line, sizeof line, "error: could not copy %s from the program folder to the data folder",
                 choice.notCopied[i]);
        LogEntryLine(nullptr, line);
    }
}

namespace {

// Entries whose protected password was made for another user or machine keep everything else;
// the user is told which ones need the password again.
void logUnreadableSecrets(const EntryList& entries)
{
    for (MailboxEntry* entry = entries.head; entry; entry = entry->next) {
        if (!entry->secretsUnreadable())
            continue;
        char line[lineSize];
        snprintf(line, sizeof line, "warning: the password of %s cannot be read by this user; enter it again",
                 entry->name ? entry->name : "");
        LogEntryLine(nullptr, line);
    }
}

} // namespace

void LoadEntryListAtStart(HWND window, EntryList& entries)
{
    entryListWarning[0] = '\0';
    FileLoadReport report;
    entries.load(DataFilePath(entryListFileName), report);
    logUnreadableSecrets(entries);
    if (report.usedNewFile)
        logNewFileUsed("entry list", entryListFileName);
    if (report.outcome != FileLoadReport::Damaged && report.outcome != FileLoadReport::Unreadable)
        return;
    char kept[lineSize];
    describeWhereKept(report, entryListFileName, kept, sizeof kept);
    char line[lineSize];
    if (report.outcome == FileLoadReport::Damaged)
        snprintf(line, sizeof line, "error: the entry list %s was damaged; %d entries were read, %s", entryListFileName,
                 static_cast<int>(report.entriesRead), kept);
    else
        snprintf(line, sizeof line, "error: the entry list %s could not be read (error %lu); no entries were read, %s",
                 entryListFileName, static_cast<unsigned long>(report.openError), kept);
    LogEntryLine(nullptr, line);
    keepAsBoxText(line);
    PostMessageA(window, WM_ENTRY_LIST_WARNING, 0, 0);
}

void ReadOAuthIniAtStart()
{
    resetOAuthProviders();
    if (readOAuthIni(DataFilePath(oauthIniFileName)).ignored)
        LogEntryLine(nullptr, oauthIniIgnoredLine);
}

bool LoadSettingsAtStart(Settings& settings)
{
    FileLoadReport report;
    bool read = loadCurrentOrPreviousSettings(DataFilePath(settingsFileName), settings, report);
    if (report.usedNewFile)
        logNewFileUsed("settings file", settingsFileName);
    if (report.outcome != FileLoadReport::Damaged && report.outcome != FileLoadReport::Unreadable)
        return read;
    char kept[lineSize];
    describeWhereKept(report, settingsFileName, kept, sizeof kept);
    const char* used = read ? "its settings were read" : "the defaults are used";
    char line[lineSize];
    if (report.outcome == FileLoadReport::Damaged)
        snprintf(line, sizeof line, "error: the settings file %s was damaged; %s, %s", settingsFileName, used, kept);
    else
        snprintf(line, sizeof line, "error: the settings file %s could not be read (error %lu); %s, %s",
                 settingsFileName, static_cast<unsigned long>(report.openError), used, kept);
    LogEntryLine(nullptr, line);
    return read;
}

void ShowEntryListWarning(HWND window)
{
    if (!entryListWarning[0])
        return;
    char text[lineSize];
    memcpy(text, entryListWarning, sizeof text);
    entryListWarning[0] = '\0';
    uiCalls.MessageBoxA(window, text, "Tessary", MB_OK | MB_ICONWARNING);
}
