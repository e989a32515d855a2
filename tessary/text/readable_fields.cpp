// Sender and subject of a header block, decoded for people.
#include "text/readable_fields.h"
#include "text/bounded_text.h"
#include "text/display_name.h"
#include "text/encoded_words.h"
#include "text/header_field.h"

namespace {

const char* patternOf(HeaderFieldKind which)
{
    return which == SenderField ? "From:" : "Subject: ";
}

} // namespace

bool hasHeaderField(const char* headerBlock, HeaderFieldKind which)
{
    const char* value;
    size_t length;
    return findHeaderField(headerBlock, patternOf(which), &value, &length);
}

bool readableHeaderField(const char* headerBlock, HeaderFieldKind which, char* output, size_t outputSize,
                         unsigned codePage)
{
    const char* value;
    size_t length;
    if (!findHeaderField(headerBlock, patternOf(which), &value, &length))
        return false;
    BoundedText out(output, outputSize, codePage);
    if (which == SenderField)
        appendSpokenSender(value, length, out);
    else
        appendDecodedHeaderText(value, length, out);
    return true;
}
