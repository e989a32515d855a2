// The e-mail programs the add account wizard can find in the registry, offered on its e-mail
// program page.
#pragma once
#include <windows.h>
#include <cstdint>

// One detectable e-mail program.
struct ClientCandidate {
    char folder[260];      // the string read from the registry: a folder, or the program's full path
    char program[260];     // the program's path relative to folder; empty when folder is the full path
    char displayName[260]; // the text shown in the list
    char parameters[260];  // command line parameters proposed for the program
    int32_t index;         // the row's number 0..4 when detected, -1 when not
};

const int clientCandidateCount = 5;

// Reads a REG_SZ value (the key's default value when valueName is null) into destination, which
// holds at least 260 bytes: at most 259 are read, and the text is always terminated. True only
// when the key opens, the value is read and its type is REG_SZ.
bool ReadRegistryString(HKEY root, const char* keyPath, const char* valueName, char* destination);

// Fills the five rows of the detection table; each row's index says whether it was found.
void DetectClients(ClientCandidate* rows); // clientCandidateCount rows

// The program to run for a detected row: the folder alone, or folder "\" program.
void candidateProgramPath(const ClientCandidate& row, char* path, size_t size);
