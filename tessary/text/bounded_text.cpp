// Appending to a bounded text by whole characters of its code page.
#include "text/bounded_text.h"
#include "text/charsets.h"
#include <windows.h>
#include <cstring>

namespace {

bool isControl(unsigned code) { return code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0); }
bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

size_t utf8SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0 && lead <= 0xF7)
        return 4;
    if (lead >= 0xE0)
        return lead <= 0xEF ? 3 : 1;
    return lead >= 0xC0 ? 2 : 1;
}

} // namespace

BoundedText::BoundedText(char* buffer, size_t size, unsigned codePage)
    : buffer_(buffer), size_(size), codePage_(codePage ? codePage : GetACP())
{
    if (size_ == 0)
        full_ = true;
    else
        buffer_[0] = '\0';
    CPINFO info;
    if (codePage_ != codePageUtf8 && GetCPInfo(codePage_, &info) && info.MaxCharSize == 2)
        memcpy(leadBytes_, info.LeadByte, sizeof leadBytes_ - 2); // the table ends in a zero pair
}

size_t BoundedText::characterLength(const unsigned char* bytes, size_t available) const
{
    size_t length = 1;
    if (codePage_ == codePageUtf8) {
        length = utf8SequenceLength(bytes[0]);
    } else {
        for (size_t i = 0; i + 1 < sizeof leadBytes_ && leadBytes_[i]; i += 2)
            if (bytes[0] >= leadBytes_[i] && bytes[0] <= leadBytes_[i + 1])
                length = 2;
    }
    return length <= available ? length : available;
}

bool BoundedText::take(const char* bytes, size_t length)
{
    if (full_ || length >= size_ - used_) {
        full_ = true;
        return false;
    }
    memcpy(buffer_ + used_, bytes, length);
    used_ += length;
    buffer_[used_] = '\0';
    return true;
}

void BoundedText::appendBytes(const char* bytes, size_t length)
{
    const unsigned char* data = reinterpret_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < length && !full_;) {
        size_t character = characterLength(data + i, length - i);
        if (character == 1 && isControl(data[i]) && data[i] < 0x80)
            take(" ", 1);
        else
            take(bytes + i, character);
        i += character;
    }
}

// Converts one character; the answer is its length in bytes, 0 when the platform refused it.
int BoundedText::convert(const wchar_t* character, int units, char* out, int outSize) const
{
    if (codePage_ == codePageUtf8)
        return WideCharToMultiByte(codePage_, 0, character, units, out, outSize, nullptr, nullptr);
    // No best fit: a character the code page lacks becomes '?', not a look-alike. Platforms that
    // do not know the flag (and code pages that refuse it) convert without it.
    BOOL usedDefault = FALSE;
    int length = WideCharToMultiByte(codePage_, WC_NO_BEST_FIT_CHARS, character, units, out, outSize, "?",
                                     &usedDefault);
    if (length <= 0)
        length = WideCharToMultiByte(codePage_, 0, character, units, out, outSize, nullptr, &usedDefault);
    if (length > 0 && usedDefault) {
        out[0] = '?'; // one for the character, also where it took two UTF-16 units
        length = 1;
    }
    return length;
}

void BoundedText::appendWide(const wchar_t* text, size_t length)
{
    for (size_t i = 0; i < length && !full_;) {
        int units = (isHighSurrogate(text[i]) && i + 1 < length && isLowSurrogate(text[i + 1])) ? 2 : 1;
        if (units == 1 && isControl(text[i])) {
            take(" ", 1);
        } else {
            char converted[16];
            int bytes = convert(text + i, units, converted, sizeof converted);
            if (bytes > 0)
                take(converted, static_cast<size_t>(bytes));
            else
                take("?", 1);
        }
        i += static_cast<size_t>(units);
    }
}
