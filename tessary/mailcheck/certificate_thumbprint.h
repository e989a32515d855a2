// SHA-256 thumbprints of certificates as the user sees and types them: 64 upper-case hex digits.
#pragma once
#include <cstddef>

const int thumbprintDigits = 64;
const size_t thumbprintTextSize = thumbprintDigits + 1;
const size_t sha256Size = 32;

// The stored form of a thumbprint the user typed: colons and spaces are dropped, letters
// upper-cased. False, with output empty, unless exactly 64 hex digits remain.
bool normalizeThumbprint(const char* text, char output[thumbprintTextSize]);

// The 32 bytes of a SHA-256 hash as 64 upper-case hex digits.
void formatThumbprint(const unsigned char hash[sha256Size], char output[thumbprintTextSize]);
