// Finding, transfer-decoding and converting the encoded words of a header value.
#include "text/encoded_words.h"
#include "text/charsets.h"
#include "text/header_field.h"
#include <string>
#include <vector>

namespace {

struct Segment {
    enum Kind { Plain, Blanks, Word } kind = Plain;
    size_t begin = 0, end = 0; // where the segment stands in the unfolded text
    unsigned codePage = 0;     // Word: the charset's code page
    std::string bytes;         // Word: the transfer-decoded bytes
    std::wstring decoded;      // Word: its characters (a whole run's on the run's first word)
    bool isDecoded = false;    // Word: decoded; otherwise it is shown as it stands
};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

// "_" is a blank and "=XX" a byte in hexadecimal; anything else stands for itself.
bool decodeQ(const std::string& text, std::string& bytes)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '_') {
            bytes += ' ';
        } else if (text[i] == '=') {
            if (i + 2 >= text.size())
                return false;
            int high = hexValue(text[i + 1]);
            int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0)
                return false;
            bytes += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            bytes += text[i];
        }
    }
    return true;
}

// Padding may be missing, as some mail programs write it; stray characters or padding in the
// middle make the word malformed.
bool decodeB(const std::string& text, std::string& bytes)
{
    size_t length = text.size();
    while (length > 0 && text[length - 1] == '=' && text.size() - length < 2)
        --length;
    if (length % 4 == 1)
        return false;
    unsigned buffer = 0;
    int bits = 0;
    for (size_t i = 0; i < length; ++i) {
        int value = base64Value(text[i]);
        if (value < 0)
            return false;
        buffer = (buffer << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return true;
}

// Reads the encoded word that starts at text[at] ("=?"); false when there is none there. A word
// has no blanks or control characters in it, so it never runs past the next blank.
bool readWord(const std::string& text, size_t at, Segment& word)
{
    size_t charsetStart = at + 2;
    size_t charsetEnd = text.find('?', charsetStart);
    if (charsetEnd == std::string::npos || charsetEnd == charsetStart || charsetEnd + 2 >= text.size())
        return false;
    char encoding = text[charsetEnd + 1];
    if (text[charsetEnd + 2] != '?')
        return false;
    size_t textStart = charsetEnd + 3;
    size_t textEnd = text.find('?', textStart);
    if (textEnd == std::string::npos || textEnd + 1 >= text.size() || text[textEnd + 1] != '=')
        return false;
    for (size_t i = charsetStart; i < textEnd; ++i)
        if (text[i] <= ' ' || text[i] >= 0x7F)
            return false;
    std::string encoded = text.substr(textStart, textEnd - textStart);
    word.bytes.clear();
    bool decoded;
    if (encoding == 'Q' || encoding == 'q')
        decoded = decodeQ(encoded, word.bytes);
    else if (encoding == 'B' || encoding == 'b')
        decoded = decodeB(encoded, word.bytes);
    else
        decoded = false;
    word.codePage = codePageOfCharset(text.data() + charsetStart, charsetEnd - charsetStart);
    if (!decoded || word.codePage == 0)
        return false;
    word.kind = Segment::Word;
    word.begin = at;
    word.end = textEnd + 2;
    word.isDecoded = false;
    return true;
}

std::vector<Segment> split(const std::string& text)
{
    std::vector<Segment> segments;
    for (size_t at = 0; at < text.size();) {
        Segment word;
        if (text.compare(at, 2, "=?") == 0 && readWord(text, at, word)) {
            segments.push_back(word);
            at = word.end;
            continue;
        }
        Segment::Kind kind = isBlank(text[at]) ? Segment::Blanks : Segment::Plain;
        if (segments.empty() || segments.back().kind != kind) {
            segments.emplace_back();
            segments.back().kind = kind;
            segments.back().begin = at;
        }
        segments.back().end = ++at;
    }
    return segments;
}

// Decodes words first together with the following words of the same charset (blanks between them
// allowed), then, when the run as a whole is not text, one by one.
void decodeWords(std::vector<Segment>& segments)
{
    for (size_t first = 0; first < segments.size(); ++first) {
        if (segments[first].kind != Segment::Word)
            continue;
        std::vector<size_t> run{ first };
        std::string bytes = segments[first].bytes;
        for (size_t next = first + 1; next < segments.size(); ++next) {
            if (segments[next].kind == Segment::Blanks)
                continue;
            if (segments[next].kind != Segment::Word || segments[next].codePage != segments[first].codePage)
                break;
            run.push_back(next);
            bytes += segments[next].bytes;
        }
        if (appendCharsetText(segments[first].codePage, bytes.data(), bytes.size(), segments[first].decoded)) {
            for (size_t index : run)
                segments[index].isDecoded = true;
        } else {
            for (size_t index : run) {
                Segment& word = segments[index];
                word.isDecoded = appendCharsetText(word.codePage, word.bytes.data(), word.bytes.size(), word.decoded);
            }
        }
        first = run.back();
    }
}

bool isDecodedWord(const std::vector<Segment>& segments, size_t index)
{
    return index < segments.size() && segments[index].kind == Segment::Word && segments[index].isDecoded;
}

} // namespace

std::wstring decodedHeaderText(const char* raw, size_t length)
{
    std::string text = unfoldedHeaderText(raw, length);
    std::vector<Segment> segments = split(text);
    decodeWords(segments);
    // Encoded words are plain ASCII, so the text as a whole is UTF-8 exactly when the bytes around
    // them are: one reading for the whole value, never a mix.
    bool rawIsUtf8 = isUtf8Text(text.data(), text.size());
    std::wstring decoded;
    for (size_t i = 0; i < segments.size(); ++i) {
        const Segment& segment = segments[i];
        if (segment.kind == Segment::Blanks && i > 0 && isDecodedWord(segments, i - 1) &&
            isDecodedWord(segments, i + 1))
            continue; // only separates two encoded words
        if (isDecodedWord(segments, i))
            decoded += segment.decoded;
        else
            appendRawHeaderText(text.data() + segment.begin, segment.end - segment.begin, rawIsUtf8, decoded);
    }
    for (wchar_t& c : decoded)
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0))
            c = L' '; // the tab of an unfolded line, a line break inside a word
    return decoded;
}

void appendDecodedHeaderText(const char* raw, size_t length, BoundedText& out)
{
    std::wstring decoded = decodedHeaderText(raw, length);
    out.appendWide(decoded.data(), decoded.size());
}
