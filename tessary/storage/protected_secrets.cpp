// Protecting an entry's secrets with CryptProtectData and opening them with CryptUnprotectData,
// both loaded at run time so that the program still starts where they do not exist.
#include "storage/protected_secrets.h"
#include "storage/owned_string.h"
#include <cstring>

namespace {

const uint8_t secretsLayoutVersion = 1;

// crypt32 is looked up once, by its full path in the system folder: a bare name would also find
// a crypt32.dll planted in the program or the current folder.
HMODULE crypt32 = nullptr;
bool crypt32Looked = false;

void* cryptProcedure(const char* name)
{
    if (!crypt32Looked) {
        crypt32Looked = true;
        char path[MAX_PATH];
        const char fileName[] = "\\crypt32.dll";
        UINT length = GetSystemDirectoryA(path, MAX_PATH);
        if (length > 0 && length + sizeof fileName <= MAX_PATH) {
            // The root of a drive already ends with its backslash.
            memcpy(path + length - (path[length - 1] == '\\' ? 1 : 0), fileName, sizeof fileName);
            crypt32 = LoadLibraryA(path);
        }
    }
    return crypt32 ? reinterpret_cast<void*>(GetProcAddress(crypt32, name)) : nullptr;
}

BOOL WINAPI systemCryptProtectData(DATA_BLOB* in, LPCWSTR description, DATA_BLOB* entropy, PVOID reserved,
                                   CRYPTPROTECT_PROMPTSTRUCT* prompt, DWORD flags, DATA_BLOB* out)
{
    auto call = reinterpret_cast<decltype(ProtectedDataCalls::CryptProtectData)>(cryptProcedure("CryptProtectData"));
    if (!call) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    return call(in, description, entropy, reserved, prompt, flags, out);
}

BOOL WINAPI systemCryptUnprotectData(DATA_BLOB* in, LPWSTR* description, DATA_BLOB* entropy, PVOID reserved,
                                     CRYPTPROTECT_PROMPTSTRUCT* prompt, DWORD flags, DATA_BLOB* out)
{
    auto call =
        reinterpret_cast<decltype(ProtectedDataCalls::CryptUnprotectData)>(cryptProcedure("CryptUnprotectData"));
    if (!call) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    return call(in, description, entropy, reserved, prompt, flags, out);
}

bool sameText(const char* a, const char* b)
{
    return a == b || (a && b && strcmp(a, b) == 0);
}

size_t lengthOf(const char* text)
{
    return text ? strlen(text) : 0;
}

void putInt32(char* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<char>(value >> (8 * i));
}

uint32_t getInt32(const BYTE* at)
{
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) | (static_cast<uint32_t>(at[2]) << 16) |
           (static_cast<uint32_t>(at[3]) << 24);
}

// Reads one length-prefixed secret of the inner layout; false when it runs past the end.
bool takeSecret(const BYTE* data, size_t size, size_t& at, char*& text)
{
    if (size - at < 4)
        return false;
    uint32_t length = getInt32(data + at);
    at += 4;
    if (length > size - at)
        return false;
    text = length ? ownedCopyOf(reinterpret_cast<const char*>(data + at), length) : nullptr;
    at += length;
    return true;
}

// Wipes plain secrets before their memory goes back to the system.
void wipe(void* data, size_t size)
{
    SecureZeroMemory(data, size);
}

} // namespace

ProtectedDataCalls protectedDataCalls = { systemCryptProtectData, systemCryptUnprotectData };

StoredSecrets::~StoredSecrets()
{
    clear();
}

void StoredSecrets::clear()
{
    freeOwned(blob_);
    length_ = 0;
    freeOwned(password_);
    freeOwned(refreshToken_);
    unreadable_ = false;
}

void StoredSecrets::keep(const char* bytes, int32_t length, const char* password, const char* refreshToken)
{
    char* blob = ownedCopyOf(bytes, static_cast<size_t>(length));
    clear();
    blob_ = blob;
    length_ = length;
    replaceOwned(password_, password);
    replaceOwned(refreshToken_, refreshToken);
}

void StoredSecrets::copyFrom(const StoredSecrets& source)
{
    if (&source == this)
        return;
    if (!source.blob_) {
        clear();
        return;
    }
    keep(source.blob_, source.length_, source.password_, source.refreshToken_);
    unreadable_ = source.unreadable_;
}

bool StoredSecrets::holds(const char* password, const char* refreshToken) const
{
    if (!blob_)
        return false;
    if (unreadable_)
        return !password && !refreshToken;
    return sameText(password_, password) && sameText(refreshToken_, refreshToken);
}

bool StoredSecrets::holdsUnreadable(const char* password, const char* refreshToken) const
{
    return unreadable_ && holds(password, refreshToken);
}

bool StoredSecrets::protect(const char* password, const char* refreshToken)
{
    if (holds(password, refreshToken))
        return true;
    clear();
    if (!password && !refreshToken)
        return false;
    size_t passwordLength = lengthOf(password);
    size_t tokenLength = lengthOf(refreshToken);
    if (passwordLength + tokenLength > static_cast<size_t>(maxProtectedSecretsLength))
        return false;
    size_t size = 1 + 4 + passwordLength + 4 + tokenLength;
    char* plain = new char[size];
    plain[0] = static_cast<char>(secretsLayoutVersion);
    putInt32(plain + 1, static_cast<uint32_t>(passwordLength));
    if (passwordLength)
        memcpy(plain + 5, password, passwordLength);
    putInt32(plain + 5 + passwordLength, static_cast<uint32_t>(tokenLength));
    if (tokenLength)
        memcpy(plain + 9 + passwordLength, refreshToken, tokenLength);

    DATA_BLOB in = { static_cast<DWORD>(size), reinterpret_cast<BYTE*>(plain) };
    DATA_BLOB out = {};
    BOOL done = protectedDataCalls.CryptProtectData(&in, L"Tessary mailbox secrets", nullptr, nullptr, nullptr,
                                                   CRYPTPROTECT_UI_FORBIDDEN, &out);
    wipe(plain, size);
    delete[] plain;
    if (!done)
        return false;
    bool fits = out.cbData > 0 && out.cbData <= static_cast<DWORD>(maxProtectedSecretsLength);
    if (fits)
        keep(reinterpret_cast<const char*>(out.pbData), static_cast<int32_t>(out.cbData), password, refreshToken);
    LocalFree(out.pbData);
    return fits;
}

bool StoredSecrets::open(const char* bytes, int32_t length, char*& password, char*& refreshToken)
{
    clear();
    if (!bytes || length <= 0)
        return false;
    DATA_BLOB in = { static_cast<DWORD>(length), reinterpret_cast<BYTE*>(const_cast<char*>(bytes)) };
    DATA_BLOB out = {};
    char* openedPassword = nullptr;
    char* openedToken = nullptr;
    bool opened = false;
    if (protectedDataCalls.CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                                              &out)) {
        size_t at = 1;
        opened = out.cbData >= 1 && out.pbData[0] == secretsLayoutVersion &&
                 takeSecret(out.pbData, out.cbData, at, openedPassword) &&
                 takeSecret(out.pbData, out.cbData, at, openedToken) && at == out.cbData;
        wipe(out.pbData, out.cbData);
        LocalFree(out.pbData);
    }
    if (!opened) {
        freeOwned(openedPassword);
        freeOwned(openedToken);
        keep(bytes, length, nullptr, nullptr);
        unreadable_ = true;
        return false;
    }
    keep(bytes, length, openedPassword, openedToken);
    freeOwned(password);
    freeOwned(refreshToken);
    password = openedPassword;
    refreshToken = openedToken;
    return true;
}
