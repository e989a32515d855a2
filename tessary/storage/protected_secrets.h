// The secrets of an entry (its password and its sign-in's refresh token) as the entry list file
// keeps them: encrypted for the current user by the system's data protection API where it exists.
#pragma once
#include <windows.h>
#include <wincrypt.h>
#include <cstdint>

// The longest protected blob the entry list file holds; a longer stored length is damage.
const int32_t maxProtectedSecretsLength = 65536;

// The data protection API, loaded at run time from crypt32 in the system folder: Windows 95, 98,
// ME and NT 4 do not have it, and there the bound calls fail with ERROR_CALL_NOT_IMPLEMENTED. A
// test rebinds them to take that path.
struct ProtectedDataCalls {
    BOOL (WINAPI *CryptProtectData)(DATA_BLOB* in, LPCWSTR description, DATA_BLOB* entropy, PVOID reserved,
                                    CRYPTPROTECT_PROMPTSTRUCT* prompt, DWORD flags, DATA_BLOB* out);
    BOOL (WINAPI *CryptUnprotectData)(DATA_BLOB* in, LPWSTR* description, DATA_BLOB* entropy, PVOID reserved,
                                      CRYPTPROTECT_PROMPTSTRUCT* prompt, DWORD flags, DATA_BLOB* out);
};
extern ProtectedDataCalls protectedDataCalls;

// The protected blob of one entry as it was last read or written, with the secrets it holds.
// Each protection gives new bytes, so a save reuses the blob while the entry's secrets are still
// the ones in it: an unchanged entry is saved with unchanged bytes.
//
// Inside the blob, before protection: the byte 1 (the layout's version), then the password, then
// the refresh token, each as an int32 length (little-endian; 0 for none) and its bytes, without
// a terminating zero. Nothing may follow.
class StoredSecrets {
public:
    StoredSecrets() = default;
    ~StoredSecrets();
    StoredSecrets(const StoredSecrets&) = delete;
    StoredSecrets& operator=(const StoredSecrets&) = delete;

    void clear();
    void copyFrom(const StoredSecrets& source);

    // Makes the blob hold password and refreshToken (either may be null), reusing the present one
    // when it already does. True when the blob is there to be saved in their place; false when
    // there is nothing to protect, or when the system cannot protect them (the blob is then empty).
    // A blob that could not be read holds "no secrets": it is kept, unchanged, until the user
    // gives the entry a password or a token.
    bool protect(const char* password, const char* refreshToken);

    // Takes a blob read from the file and opens it. True with its secrets put into password and
    // refreshToken (owned strings, replaced); false when this user cannot open it (another user or
    // machine made it, its bytes were altered, the system has no API): the blob is then kept as it
    // is, marked unreadable, and the two strings are left alone.
    bool open(const char* bytes, int32_t length, char*& password, char*& refreshToken);

    // Whether the blob kept could not be read and no secret was given since.
    bool holdsUnreadable(const char* password, const char* refreshToken) const;

    const char* bytes() const { return blob_; }
    int32_t length() const { return length_; }

private:
    bool holds(const char* password, const char* refreshToken) const;
    void keep(const char* bytes, int32_t length, const char* password, const char* refreshToken);

    char* blob_ = nullptr;
    int32_t length_ = 0;
    char* password_ = nullptr;     // what the blob holds, to tell whether it still fits the entry
    char* refreshToken_ = nullptr;
    bool unreadable_ = false;
};
