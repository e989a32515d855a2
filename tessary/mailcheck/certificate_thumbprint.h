// SHA-256 thumbprints of certificates in the form the user sees and an entry stores: 64
// upper-case hex digits (storage/thumbprint.h reads the forms users type).
#pragma once
#include "storage/thumbprint.h"
#include <cstddef>

const size_t thumbprintTextSize = thumbprintDigits + 1;
const size_t sha256Size = 32;

// The 32 bytes of a SHA-256 hash as 64 upper-case hex digits.
void formatThumbprint(const unsigned char hash[sha256Size], char (&output)[thumbprintTextSize]);
