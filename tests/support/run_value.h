// The start-up value "Tessary" as the registry holds it, for tests of what the program wrote there.
#pragma once
#include <windows.h>
#include <string>

// The value under root's Run key: its text, or "<no key>", "<none>" or "<not a string>". view is
// KEY_WOW64_32KEY to read what a 32-bit program wrote (the registry keeps HKLM\Software apart for it).
std::string storedRunValue(HKEY root = HKEY_LOCAL_MACHINE, REGSAM view = 0);
