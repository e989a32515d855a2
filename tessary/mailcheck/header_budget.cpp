// The entry's header budget and the reduced form of a header block.
#include "mailcheck/header_budget.h"
#include "mailcheck/header_marks.h"
#include "storage/owned_string.h"
#include <cstring>
#include <strings.h>

size_t entryHeaderBudgetBytes = defaultEntryHeaderBudgetBytes;

namespace {

// The fields that speech, the log and a person reading the viewer look for, most wanted first.
const char* const reducedFields[] = { "From", "Subject", "Date", "Sender", "Reply-To", "Message-ID", "To", "Cc" };

// The end of the line that starts at line (past its '\n'), or end.
const char* lineEndAfter(const char* line, const char* end)
{
    const char* newline = static_cast<const char*>(memchr(line, '\n', size_t(end - line)));
    return newline ? newline + 1 : end;
}

// The field's lines (its first line and the folded ones after it) as [start, stop), or false.
bool findField(const char* lines, const char* end, const char* name, const char*& start, const char*& stop)
{
    size_t nameLength = strlen(name);
    for (const char* line = lines; line < end; line = lineEndAfter(line, end)) {
        if (size_t(end - line) <= nameLength || line[nameLength] != ':' || strncasecmp(line, name, nameLength) != 0)
            continue;
        start = line;
        stop = lineEndAfter(line, end);
        while (stop < end && (*stop == ' ' || *stop == '\t'))
            stop = lineEndAfter(stop, end);
        return true;
    }
    return false;
}

// Appends the field's lines, cut to room bytes at most; a cut one ends with its own line break.
void appendField(std::string& out, const char* start, const char* stop, size_t room)
{
    size_t length = size_t(stop - start);
    if (length <= room) {
        out.append(start, length);
        return;
    }
    if (room < 3)
        return;
    length = room - 2;
    while (length > 0 && (start[length - 1] == '\r' || start[length - 1] == '\n'))
        --length;
    out.append(start, length);
    out += "\r\n";
}

} // namespace

std::string reducedHeaderText(const char* text, size_t length)
{
    const char* end = text + length;
    const char* lines = lineEndAfter(text, end);
    std::string out(text, size_t(lines - text));
    if (out.compare(0, 3, "+OK") != 0)
        return out; // a refusal has no fields
    size_t fieldsUsed = 0;
    for (const char* name : reducedFields) {
        const char* start;
        const char* stop;
        if (fieldsUsed >= reducedFieldsLimit || !findField(lines, end, name, start, stop))
            continue;
        size_t room = reducedFieldsLimit - fieldsUsed;
        size_t before = out.size();
        appendField(out, start, stop, room < reducedFieldLimit ? room : reducedFieldLimit);
        fieldsUsed += out.size() - before;
    }
    out += "\r\n.\r\n";
    return out;
}

char* HeaderBudget::keep(const char* text, size_t length, uint8_t& marks)
{
    bool refusal = length >= 4 && memcmp(text, "-ERR", 4) == 0;
    if (!spent_ && used_ + length <= limit_) {
        used_ += length;
        return ownedCopyOf(text, length);
    }
    if (refusal)
        return ownedCopyOf(text, length);
    spent_ = true;
    std::string reduced = reducedHeaderText(text, length);
    used_ += reduced.size();
    marks |= headerReduced;
    return ownedCopyOf(reduced.data(), reduced.size());
}
