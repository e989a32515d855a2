// The detection table of e-mail programs: where each one records its installation folder.
#include "dialogs/client_detection.h"
#include <cstdio>
#include <cstring>

namespace {

struct DetectionRow {
    HKEY root;
    const char* key;
    const char* value; // null: the key's default value
    const char* program;
    const char* displayName;
    const char* parameters;
};

const DetectionRow detectionRows[clientCandidateCount] = {
    { HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Outlook Express", "InstallRoot", "msimn.exe", "Outlook Express", "" },
    { HKEY_LOCAL_MACHINE, "SOFTWARE\\Netscape\\Netscape Navigator\\4.0 (en)\\Main", "Install Directory",
      "Program\\netscape.exe", "Netscape Navigator 4.0en", "-mail" },
    { HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\EXCHNG32.EXE", nullptr, "",
      "Microsoft Exchange", "" },
    { HKEY_LOCAL_MACHINE, "SOFTWARE\\Netscape\\Netscape Navigator\\4.5 (en)\\Main", "Install Directory",
      "Program\\netscape.exe", "Netscape Navigator 4.5en", "-mail" },
    { HKEY_CURRENT_USER, "Software\\Netscape\\Netscape Navigator\\Main", "Install Directory", "Program\\netscape.exe",
      "Netscape Navigator some version", "-mail" },
};

void copyText(char (&field)[260], const char* text)
{
    snprintf(field, sizeof field, "%s", text);
}

} // namespace

bool ReadRegistryString(HKEY root, const char* keyPath, const char* valueName, char* destination)
{
    const DWORD readLimit = 259;
    HKEY key;
    if (RegOpenKeyExA(root, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    DWORD type = REG_NONE;
    DWORD size = readLimit;
    LONG result = RegQueryValueExA(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(destination), &size);
    RegCloseKey(key);
    // A stored string need not carry its terminator; the byte after what was read supplies one.
    destination[readLimit] = '\0';
    if (result == ERROR_SUCCESS && size <= readLimit)
        destination[size] = '\0';
    return result == ERROR_SUCCESS && type == REG_SZ;
}

void DetectClients(ClientCandidate* rows)
{
    for (int i = 0; i < clientCandidateCount; ++i) {
        std::memset(&rows[i], 0, sizeof rows[i]);
        rows[i].index = -1;
    }
    for (int i = 0; i < clientCandidateCount; ++i) {
        const DetectionRow& row = detectionRows[i];
        if (!ReadRegistryString(row.root, row.key, row.value, rows[i].folder))
            continue;
        copyText(rows[i].program, row.program);
        copyText(rows[i].displayName, row.displayName);
        copyText(rows[i].parameters, row.parameters);
        rows[i].index = i;
    }
}

void candidateProgramPath(const ClientCandidate& row, char* path, size_t size)
{
    if (row.program[0] == '\0')
        snprintf(path, size, "%s", row.folder);
    else
        snprintf(path, size, "%s\\%s", row.folder, row.program);
}
