// Sender and subject of a header block, decoded for people.
#include "text/readable_fields.h"
#include "text/bounded_text.h"
#include "text/display_name.h"
#include "text/encoded_words.h"
#include "text/header_field.h"

namespace {

const char* patternOf(HeaderFieldKind which)
{
    switch (which) {
    case SenderField:
        return "From:";
    case SubjectField:
        return "Subject: ";
    case DateField:
        return "Date:";
    }
    return "From:";
}

std::wstring withoutOuterBlanks(const std::wstring& text)
{
    size_t begin = text.find_first_not_of(L' ');
    if (begin == std::wstring::npos)
        return std::wstring();
    return text.substr(begin, text.find_last_not_of(L' ') - begin + 1);
}

bool isHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

} // namespace

bool hasHeaderField(const char* headerBlock, HeaderFieldKind which)
{
    const char* value;
    size_t length;
    return findHeaderField(headerBlock, patternOf(which), &value, &length);
}

bool readableHeaderText(const char* headerBlock, HeaderFieldKind which, std::wstring& text)
{
    const char* value;
    size_t length;
    if (!findHeaderField(headerBlock, patternOf(which), &value, &length))
        return false;
    if (which == SenderField)
        text = spokenSender(value, length);
    else
        text = withoutOuterBlanks(decodedHeaderText(value, length));
    return true;
}

bool decodedHeaderValue(const char* headerBlock, HeaderFieldKind which, std::wstring& text)
{
    const char* value;
    size_t length;
    if (!findHeaderField(headerBlock, patternOf(which), &value, &length))
        return false;
    text = withoutOuterBlanks(decodedHeaderText(value, length));
    return true;
}

bool readableHeaderField(const char* headerBlock, HeaderFieldKind which, char* output, size_t outputSize,
                         unsigned codePage)
{
    std::wstring text;
    if (!readableHeaderText(headerBlock, which, text))
        return false;
    BoundedText out(output, outputSize, codePage);
    out.appendWide(text.data(), text.size());
    return true;
}

void cutWideText(std::wstring& text, size_t maxUnits)
{
    if (text.size() <= maxUnits)
        return;
    size_t length = maxUnits;
    if (length > 0 && isHighSurrogate(text[length - 1]))
        --length; // never half of a character beyond the basic plane
    text.resize(length);
}
