// Process-wide parameters of every POP3 session.
#pragma once
#include <windows.h>

// Longest wait for reply data, in milliseconds. Written by the user-interface thread when the
// settings are applied, read by the check workers without a lock (a single 32-bit value).
extern volatile LONG serverTimeoutMs;
const LONG defaultServerTimeoutMs = 90000;

// The port of plain and STLS sessions whose entry names none. Always 110 in the program; the plain
// POP3 tests point sessions at their own servers through it. Entries that name a port (as the TLS
// tests do for their servers) use that port instead.
extern volatile LONG pop3Port;
const LONG standardPop3Port = 110;
// The port of TLS from the first byte (POP3S) when the entry names none.
const LONG standardPop3sPort = 995;
