// Little-endian values and length-prefixed strings for hand-built data files.
#include "support/file_bytes.h"

std::string int32Bytes(int32_t value)
{
    uint32_t u = static_cast<uint32_t>(value);
    return std::string{ static_cast<char>(u), static_cast<char>(u >> 8), static_cast<char>(u >> 16),
                        static_cast<char>(u >> 24) };
}

std::string plain(const std::string& text)
{
    return int32Bytes(static_cast<int32_t>(text.size())) + text;
}
