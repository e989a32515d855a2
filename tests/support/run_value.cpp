// Reading the start-up value back from the registry.
#include "support/run_value.h"
#include "shell/startup_entry.h"

std::string storedRunValue(HKEY root, REGSAM view)
{
    HKEY key;
    if (RegOpenKeyExA(root, runKeyPath, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return "<no key>";
    char data[1200] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    LONG status = RegQueryValueExA(key, runValueName, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        return "<none>";
    return type == REG_SZ ? std::string(data) : "<not a string>";
}
