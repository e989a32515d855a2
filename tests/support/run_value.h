// The start-up value "Tessary" as the registry holds it, for tests of what the program wrote there.
#pragma once
#include <windows.h>
#include <string>

// The value under root's Run key: its text, or "<no key>", "<none>" or "<not a string>".
std::string storedRunValue(HKEY root = HKEY_LOCAL_MACHINE);
