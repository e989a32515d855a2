// Reading oauth.ini: how tests point the sign-in at a local server and how an organisation uses
// its own registration. The profile functions do the parsing, so the file reads as users expect
// of an .ini file; this only checks what they found against the keys it knows.
#include "signin/oauth_providers.h"
#include "storage/mailbox_entry.h"
#include <windows.h>
#include <cstring>
#include <vector>

const char oauthIniIgnoredLine[] =
    "warning: oauth.ini holds sections, keys or lines this program does not know; they are ignored";

namespace {

// Longest value taken; a longer one is ignored rather than cut.
const DWORD maxValueLength = 2048;
// A section or the list of sections larger than this is not looked at line by line.
const DWORD listingSize = 32768;

enum class Key { authorize, token, device, scope, imapScope, clientId, clientSecret, unknown };

Key keyNamed(const char* name, size_t length)
{
    static const struct { const char* name; Key key; } keys[] = {
        { "authorize", Key::authorize }, { "token", Key::token }, { "device", Key::device },
        { "scope", Key::scope }, { "imap_scope", Key::imapScope }, { "client_id", Key::clientId }, { "client_secret", Key::clientSecret },
    };
    for (const auto& known : keys)
        if (strlen(known.name) == length && _strnicmp(known.name, name, length) == 0)
            return known.key;
    return Key::unknown;
}

bool isHttpsAddress(const char* value)
{
    return _strnicmp(value, "https://", 8) == 0 && value[8] != '\0';
}

std::string* fieldFor(OAuthProvider& provider, Key key)
{
    switch (key) {
    case Key::authorize: return &provider.authorize;
    case Key::token: return &provider.token;
    case Key::device: return provider.hasDeviceFlow ? &provider.device : nullptr;
    case Key::scope: return &provider.scope;
    case Key::imapScope: return &provider.imapScope;
    case Key::clientId: return &provider.clientId;
    case Key::clientSecret: return &provider.clientSecret;
    case Key::unknown: break;
    }
    return nullptr;
}

// The key's value when the section names it; false when absent, too long or unfit.
bool readValue(const char* path, const char* section, const char* key, std::string& value)
{
    static const char absent[] = "\x01" "absent";
    std::vector<char> text(maxValueLength + 2);
    DWORD length = GetPrivateProfileStringA(section, key, absent, text.data(), DWORD(text.size()), path);
    if (strcmp(text.data(), absent) == 0 || length >= maxValueLength)
        return false;
    value.assign(text.data(), length);
    return true;
}

// Takes each "key=value" line of one provider's section; false when a line was not taken.
bool readSection(const char* path, OAuthProvider& provider)
{
    std::vector<char> lines(listingSize);
    DWORD length = GetPrivateProfileSectionA(provider.section, lines.data(), listingSize, path);
    if (length >= listingSize - 2)
        return false;
    bool allTaken = true;
    for (const char* line = lines.data(); *line; line += strlen(line) + 1) {
        if (*line == ';' || *line == '#')
            continue; // a comment
        const char* equals = strchr(line, '=');
        size_t nameLength = equals ? size_t(equals - line) : 0;
        while (nameLength > 0 && (line[nameLength - 1] == ' ' || line[nameLength - 1] == '\t'))
            --nameLength;
        Key key = equals ? keyNamed(line, nameLength) : Key::unknown;
        std::string* field = fieldFor(provider, key);
        std::string value;
        if (!field || !readValue(path, provider.section, std::string(line, nameLength).c_str(), value)) {
            allTaken = false;
            continue;
        }
        bool endpoint = key == Key::authorize || key == Key::token || key == Key::device;
        if (endpoint && !isHttpsAddress(value.c_str())) {
            allTaken = false; // tokens never travel in plain text
            continue;
        }
        *field = value;
    }
    return allTaken;
}

// The profile functions skip what is not a section, a comment or a "key=value" line, and lines
// before the first section; those are read here so that they are reported. A file too large to
// hold only these keys is reported whole.
bool hasLinesOfNoKnownForm(const char* path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    std::vector<char> text(listingSize + 1);
    DWORD got = 0;
    BOOL read = ReadFile(file, text.data(), listingSize + 1, &got, nullptr);
    CloseHandle(file);
    if (!read || got > listingSize)
        return true;
    bool inSection = false;
    for (DWORD start = 0; start < got;) {
        DWORD end = start;
        while (end < got && text[end] != '\n')
            ++end;
        std::string line(text.data() + start, end - start);
        start = end + 1;
        size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == ';' || line[first] == '#')
            continue;
        size_t last = line.find_last_not_of(" \t\r");
        if (line.find('\0') != std::string::npos)
            return true;
        if (line[first] == '[') {
            if (line[last] != ']')
                return true;
            inSection = true;
            continue;
        }
        size_t equals = line.find('=');
        if (!inSection || equals == std::string::npos || equals == first)
            return true;
    }
    return false;
}

} // namespace

OAuthIniReport readOAuthIni(const char* path)
{
    OAuthIniReport report;
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return report;
    report.present = true;

    std::vector<char> sections(listingSize);
    DWORD length = GetPrivateProfileSectionNamesA(sections.data(), listingSize, path);
    if (length >= listingSize - 2 || hasLinesOfNoKnownForm(path))
        report.ignored = true;
    for (const char* name = sections.data(); *name; name += strlen(name) + 1) {
        OAuthProvider* provider = nullptr;
        for (int32_t method : { SignInMicrosoft, SignInGoogle })
            if (_stricmp(name, oauthProviderFor(method)->section) == 0)
                provider = oauthProviderFor(method);
        if (!provider || !readSection(path, *provider))
            report.ignored = true;
    }
    return report;
}
