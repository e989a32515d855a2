// Who a message is from, as a person would say it: the display name of the "From:" field when it
// has one, else the address.
#pragma once
#include "text/bounded_text.h"
#include <cstddef>
#include <string>

// Appends the sender named by a "From:" value (folded or not) to out. "Ann Example
// <ann@example.org>" gives Ann Example: quotes and their escapes removed, encoded words decoded
// (also inside quotes, where some mail programs put them). "ann@example.org (Ann Example)", the
// older form, gives the name in the parentheses. Without a name the address is given, without its
// angle brackets. Only the first sender of a list counts.
std::wstring spokenSender(const char* value, size_t length);

// The same, converted into out's code page and cut to fit.
void appendSpokenSender(const char* value, size_t length, BoundedText& out);
