// The start-up value, opened with no more rights than each step needs: reading to compare, and
// KEY_SET_VALUE only to write or delete.
#include "shell/startup_entry.h"
#include "shell/run_key_calls.h"
#include <cstring>

const char* const runKeyPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const runValueName = "Tessary";

namespace {

enum class StoredValue { Missing, Same, Different, Unknown };

// The value under root's Run key, compared with wanted (null: nothing is wanted).
StoredValue readValue(HKEY root, const char* wanted)
{
    HKEY key;
    LONG opened = runKeyCalls.RegOpenKeyExA(root, runKeyPath, 0, KEY_QUERY_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND)
        return StoredValue::Missing;
    if (opened != ERROR_SUCCESS)
        return StoredValue::Unknown;
    char data[1200];
    DWORD size = sizeof data - 1;
    DWORD type = REG_NONE;
    LONG status = RegQueryValueExA(key, runValueName, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status == ERROR_FILE_NOT_FOUND)
        return StoredValue::Missing;
    if (status == ERROR_MORE_DATA)
        return StoredValue::Different;
    if (status != ERROR_SUCCESS)
        return StoredValue::Unknown;
    data[size] = '\0';
    return wanted && type == REG_SZ && std::strcmp(data, wanted) == 0 ? StoredValue::Same : StoredValue::Different;
}

bool writeValue(HKEY root, const char* command)
{
    HKEY key;
    // A new account may not have its own Run key yet.
    if (runKeyCalls.RegCreateKeyExA(root, runKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExA(key, runValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(command),
                                 static_cast<DWORD>(std::strlen(command) + 1));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

bool removeValue(HKEY root)
{
    if (readValue(root, nullptr) == StoredValue::Missing)
        return true;
    HKEY key;
    if (runKeyCalls.RegOpenKeyExA(root, runKeyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return false;
    LONG status = RegDeleteValueA(key, runValueName);
    RegCloseKey(key);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool holdsOrTakes(HKEY root, const char* command)
{
    return readValue(root, command) == StoredValue::Same || writeValue(root, command);
}

} // namespace

bool SetStartupEntry(const char* command)
{
    if (holdsOrTakes(HKEY_LOCAL_MACHINE, command)) {
        // A copy the user's key kept from a start without the rights would start the program twice.
        removeValue(HKEY_CURRENT_USER);
        return true;
    }
    return holdsOrTakes(HKEY_CURRENT_USER, command);
}

bool RemoveStartupEntry()
{
    bool machineWide = removeValue(HKEY_LOCAL_MACHINE);
    bool user = removeValue(HKEY_CURRENT_USER);
    return machineWide && user;
}
