// The lengths of the activity log's lines, kept beside the edit control so that dropping the
// oldest line costs as much as that line, not a read of the whole log.
#pragma once
#include <cstddef>
#include <deque>

// Lines are the pieces between "\r\n" breaks, as the program writes them; the control's own display
// lines wrap and are not counted. The last line is the one still open for text.
class LogLines {
public:
    LogLines() { clear(); }

    void clear();
    // Takes account of text appended at the end of the log, in the units the control counts: bytes
    // of the ANSI code page, or UTF-16 units where the control is given Unicode text.
    void append(const char* text, size_t length);
    void append(const wchar_t* text, size_t length);
    // Forgets the first line; answers how many characters it took with its break.
    size_t dropFirst();
    // Rebuilds the account from the whole text, when the control was changed behind its back.
    void recount(const char* text, size_t length);
    void recount(const wchar_t* text, size_t length);

    size_t lines() const { return lengths_.size(); }
    size_t textLength() const { return textLength_; }

private:
    template <class Unit>
    void appendUnits(const Unit* text, size_t length);

    std::deque<size_t> lengths_; // without their breaks
    size_t textLength_ = 0;
    bool endsInReturn_ = false;  // a "\n" appended next completes a break
};
