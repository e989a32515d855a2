// The start-up value "Tessary" in the Run keys, which makes the system start the program at
// log-on. The machine-wide key comes first; an account without the rights to change it (any
// standard account on Windows NT and later) uses the same value in its own Run key.
#pragma once

// Where the start-up value lives, under HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER, and its name.
extern const char* const runKeyPath;   // "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"
extern const char* const runValueName; // "Tessary"

// Makes command the start-up value: in the machine-wide key where it may be written there (and
// then not in the user's key as well), else in the user's key. Nothing is written where the
// value already reads command. False when neither key takes it.
bool SetStartupEntry(const char* command);

// Removes the start-up value from both keys. False when a value stays behind.
bool RemoveStartupEntry();
