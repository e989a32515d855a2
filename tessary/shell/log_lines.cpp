// Counting the activity log's lines by their "\r\n" breaks, as the text is appended.
#include "shell/log_lines.h"

void LogLines::clear()
{
    lengths_.assign(1, 0);
    textLength_ = 0;
    endsInReturn_ = false;
}

template <class Unit>
void LogLines::appendUnits(const Unit* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        Unit c = text[i];
        if (c == '\n' && endsInReturn_) {
            lengths_.back() -= 1; // the "\r" belongs to the break
            lengths_.push_back(0);
            endsInReturn_ = false;
            continue;
        }
        lengths_.back() += 1;
        endsInReturn_ = c == '\r';
    }
    textLength_ += length;
}

void LogLines::append(const char* text, size_t length)
{
    appendUnits(text, length);
}

void LogLines::append(const wchar_t* text, size_t length)
{
    appendUnits(text, length);
}

size_t LogLines::dropFirst()
{
    if (lengths_.size() < 2)
        return 0;
    size_t removed = lengths_.front() + 2;
    lengths_.pop_front();
    textLength_ -= removed;
    return removed;
}

void LogLines::recount(const char* text, size_t length)
{
    clear();
    append(text, length);
}

void LogLines::recount(const wchar_t* text, size_t length)
{
    clear();
    append(text, length);
}
