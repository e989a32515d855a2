// What the program does with a data file it could not read in full: it keeps the file's bytes in a
// copy beside it ("<name>.bad") before anything is saved over it, or refuses to save over it.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

class FileReader;

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

// The start of loading a data file, the same for the entry list and the settings: the report is
// reset; a missing file whose "<name>.new" is there (a save that replaced the old file by deleting
// it first, and stopped before the rename) is put in its place; then the file is opened into
// file. False when there is nothing to read: no file (the report says Missing), or one that could
// not be opened (Unreadable, with its error, and set aside as finishLoading does).
bool openForLoading(const char* fileName, FileReader& file, FileLoadReport& report);

// The end of a load. A file read in full is Read and needs no protection any more. One that was
// not is Damaged: its bytes are kept aside, or, when that fails, the file is protected so that no
// save replaces it with less than it held.
void finishLoading(const char* fileName, bool readInFull, FileLoadReport& report);

// Whether a save may replace fileName now. A missing file whose "<name>.new" is there is first put
// back from it, and a protected file kept aside; while either is impossible the answer is false
// and the files stay as they are.
bool mayReplaceFile(const char* fileName);
