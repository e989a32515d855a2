// What the program does with a data file it could not read in full: it keeps the file's bytes in a
// copy beside it ("<name>.bad") before anything is saved over it, or refuses to save over it.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

// What loading the entry list or the settings file found, for the messages the user gets.
struct FileLoadReport {
    enum Outcome {
        Read,       // read in full
        Missing,    // no file (a first run)
        Damaged,    // read up to damage, or with bytes left over after what it should hold
        Unreadable, // there, but it could not be opened (held by another program, access denied)
    };
    Outcome outcome = Missing;
    bool usedNewFile = false; // the file was missing and its complete "<name>.new" took its place
    int32_t entriesRead = 0;  // the entry list: entries read in full
    bool recordRead = false;  // the settings: a record was read although the file is damaged
    DWORD openError = 0;      // why an unreadable file could not be opened
    // Where a damaged or unreadable file's bytes are kept. Empty when no copy could be made: the
    // file is then not saved over until one can be (see mayReplaceFile).
    char keptAs[MAX_PATH] = {};
};

// Copies fileName to "<name>.bad", or, when an earlier and different copy already has that name,
// to "<name>.bad2" up to "<name>.bad99", so that no damaged file ever replaces another. The copy's
// path goes into keptAs. False when no copy could be made.
bool keepFileAside(const char* fileName, char* keptAs, size_t keptAsSize);

// Finishes a load that could not read fileName in full: keeps its bytes aside, or, when that
// fails, protects the file so that no save replaces it with less than it held.
void setFileAside(const char* fileName, FileLoadReport::Outcome outcome, FileLoadReport& report);

// Whether a save may replace fileName now. A protected file is first kept aside; while that is
// still impossible the answer is false and the file stays as it is.
bool mayReplaceFile(const char* fileName);
// A file that was read in full needs no protection any more.
void releaseFile(const char* fileName);

// When fileName is missing but "<name>.new" is there (a save that replaced the old file by
// deleting it first, and stopped before the rename), puts the new file in its place. True when
// it did. When the rename fails the new file is left alone and fileName is protected.
bool restoreFromNewFile(const char* fileName);

// Whether an open failed only because the file, or its folder, is not there.
inline bool isMissingFileError(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
