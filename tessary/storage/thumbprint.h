// The SHA-256 thumbprint of a trusted server certificate: as the user types or pastes it, and as
// an entry keeps it (64 upper-case hexadecimal digits).
#pragma once

const int thumbprintDigits = 64;

// Drops the colons and spaces that tools print between the bytes, then requires exactly 64
// hexadecimal digits, which it writes upper-case and terminated into digits. False otherwise
// (also for null), with digits left empty.
bool normaliseThumbprint(const char* text, char (&digits)[thumbprintDigits + 1]);
