// The header texts a mailbox entry keeps from its last check, and the sender and subject in them.
#include "storage/mailbox_entry.h"
#include <cstring>

void MailboxEntry::setHeaders(char** texts, int32_t count, uint8_t* marks)
{
    headers = texts;
    headerMarks = marks;
    headerCount = count;
}

void MailboxEntry::clearHeaders()
{
    if (headers) {
        for (int32_t i = 0; i < headerCount; ++i)
            delete[] headers[i];
        delete[] headers;
    }
    delete[] headerMarks;
    headers = nullptr;
    headerMarks = nullptr;
    headerCount = 0;
}

const char* MailboxEntry::getHeader(int index) const
{
    if (!headers || index < 0 || index >= headerCount)
        return nullptr;
    return headers[index];
}

uint8_t MailboxEntry::getHeaderMarks(int index) const
{
    if (!headers || !headerMarks || index < 0 || index >= headerCount)
        return 0;
    return headerMarks[index];
}

bool MailboxEntry::getHeaderField(int index, char* output, size_t outputSize, int which) const
{
    const char* text = getHeader(index);
    if (!text)
        return false;
    const char* pattern;
    if (which == 0)
        pattern = "\r\nFrom:";
    else if (which == 1)
        pattern = "\r\nSubject: ";
    else
        return true;

    const char* start = strstr(text, pattern);
    if (!start)
        return false;
    start += strlen(pattern);
    const char* lineEnd = strstr(start, "\r\n");
    if (!lineEnd)
        return false;
    const char* end = lineEnd;
    if (which == 0) {
        // "Name <address>" gives the address alone; a bracket past the line end does not count.
        const char* open = strchr(start, '<');
        if (open && open <= lineEnd)
            start = open + 1;
        const char* close = strchr(start, '>');
        if (close && close <= lineEnd)
            end = close;
    }
    if (outputSize == 0)
        return false;
    size_t length = static_cast<size_t>(end - start);
    if (length > outputSize - 1)
        length = outputSize - 1;
    memcpy(output, start, length);
    output[length] = '\0';
    return true;
}
