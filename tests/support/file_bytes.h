// Builds the bytes of the program's binary files by hand: little-endian int32 values and the
// length-prefixed strings of the entry list, so tests can write exact or damaged files.
#pragma once
#include <cstdint>
#include <string>

std::string int32Bytes(int32_t value);

// A string as the entry list stores it unshifted: its int32 length, then its bytes.
std::string plain(const std::string& text);
