// Process-wide parameters of every POP3 session.
#pragma once
#include <windows.h>

// Longest wait for reply data, in milliseconds. Written by the user-interface thread when the
// settings are applied, read by the check workers without a lock (a single 32-bit value).
extern volatile LONG serverTimeoutMs;
const LONG defaultServerTimeoutMs = 90000;

// The POP3 port. Always 110 in the program; tests point sessions at their own servers.
extern volatile LONG pop3Port;
const LONG standardPop3Port = 110;
