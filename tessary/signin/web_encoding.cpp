// Base64, percent-encoding and query values for the sign-in's requests and its redirect.
#include "signin/web_encoding.h"
#include <cstring>

namespace {

const char base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string encodeWith(const void* data, size_t length, const char* alphabet, bool pad)
{
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    std::string text;
    text.reserve((length + 2) / 3 * 4);
    for (size_t i = 0; i < length; i += 3) {
        unsigned value = unsigned(bytes[i]) << 16;
        if (i + 1 < length)
            value |= unsigned(bytes[i + 1]) << 8;
        if (i + 2 < length)
            value |= bytes[i + 2];
        size_t digits = length - i >= 3 ? 4 : length - i + 1;
        for (size_t d = 0; d < 4; ++d) {
            if (d < digits)
                text += alphabet[(value >> (18 - 6 * d)) & 63];
            else if (pad)
                text += '=';
        }
    }
    return text;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool percentDecode(const char* text, size_t length, std::string& value)
{
    value.clear();
    for (size_t i = 0; i < length; ++i) {
        char c = text[i];
        if (c == '+') {
            c = ' ';
        } else if (c == '%') {
            int high = i + 1 < length ? hexDigit(text[i + 1]) : -1;
            int low = i + 2 < length ? hexDigit(text[i + 2]) : -1;
            if (high < 0 || low < 0)
                return false;
            c = char(high * 16 + low);
            i += 2;
        }
        if (c == '\0')
            return false;
        value += c;
    }
    return true;
}

} // namespace

std::string base64Encode(const void* bytes, size_t length)
{
    return encodeWith(bytes, length, base64Alphabet, true);
}

std::string base64UrlEncode(const void* bytes, size_t length)
{
    static const char urlAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
    return encodeWith(bytes, length, urlAlphabet, false);
}

bool base64Decode(const std::string& text, std::string& bytes)
{
    bytes.clear();
    size_t length = text.size();
    while (length > 0 && text[length - 1] == '=' && text.size() - length < 2)
        --length;
    if (length % 4 == 1)
        return false;
    unsigned value = 0;
    int bits = 0;
    for (size_t i = 0; i < length; ++i) {
        const char* at = text[i] ? strchr(base64Alphabet, text[i]) : nullptr;
        if (!at)
            return false;
        value = (value << 6) | unsigned(at - base64Alphabet);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += char((value >> bits) & 0xFF);
        }
    }
    return true;
}

std::string percentEncode(const std::string& value)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char c : value) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || (c && strchr("-._~", c))) {
            text += char(c);
        } else {
            text += '%';
            text += hex[c >> 4];
            text += hex[c & 15];
        }
    }
    return text;
}

bool queryValue(const std::string& query, const char* name, std::string& value)
{
    size_t nameLength = strlen(name);
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos)
            end = query.size();
        if (end - start > nameLength && query.compare(start, nameLength, name) == 0 &&
            query[start + nameLength] == '=')
            return percentDecode(query.data() + start + nameLength + 1, end - start - nameLength - 1, value);
        if (end - start == nameLength && query.compare(start, nameLength, name) == 0) {
            value.clear();
            return true;
        }
        start = end + 1;
    }
    return false;
}
