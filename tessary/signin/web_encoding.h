// The encodings of the sign-in's web traffic: base64 (plain and URL-safe), percent-encoding of
// form and query values, and reading the query of a redirect.
#pragma once
#include <cstddef>
#include <string>

std::string base64Encode(const void* bytes, size_t length);
// RFC 4648 section 5, without padding, as PKCE wants it.
std::string base64UrlEncode(const void* bytes, size_t length);
// False on a character outside the alphabet or a length no encoding has; padding optional.
bool base64Decode(const std::string& text, std::string& bytes);

// Every byte outside the unreserved set of RFC 3986 as %XX.
std::string percentEncode(const std::string& value);

// The value of name in a query ("a=1&b=2", no "?"), percent- and "+"-decoded. False when the
// name is not there or its value is not well encoded (a "%" without two hex digits, a NUL).
bool queryValue(const std::string& query, const char* name, std::string& value);
