// PKCE and state from CryptoAPI, loaded from advapi32 at run time: the enhanced AES provider knows
// SHA-256 where the default one does not (Windows XP before SP3).
#include "signin/pkce.h"
#include "signin/web_encoding.h"
#include <windows.h>
#include <wincrypt.h>
#include <cstring>

namespace {

// Declared by the headers only for systems newer than the program's target.
const ALG_ID sha256Algorithm = ALG_CLASS_HASH | ALG_TYPE_ANY | 12;
const DWORD aesProviderType = 24; // PROV_RSA_AES
const char* const aesProviderNames[] = { "Microsoft Enhanced RSA and AES Cryptographic Provider",
                                         "Microsoft Enhanced RSA and AES Cryptographic Provider (Prototype)" };

struct HashCalls {
    decltype(&::CryptAcquireContextA) acquire;
    decltype(&::CryptReleaseContext) release;
    decltype(&::CryptGenRandom) random;
    decltype(&::CryptCreateHash) createHash;
    decltype(&::CryptHashData) hashData;
    decltype(&::CryptGetHashParam) getHashParam;
    decltype(&::CryptDestroyHash) destroyHash;
};

template <typename Proc>
bool find(HMODULE module, const char* name, Proc& proc)
{
    proc = reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    return proc != nullptr;
}

// From the system folder only; a library loaded once stays in the process.
bool loadHashCalls(HashCalls& calls)
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + sizeof "\\advapi32.dll" > MAX_PATH)
        return false;
    strcpy(path + length, "\\advapi32.dll");
    HMODULE advapi32 = LoadLibraryA(path);
    return advapi32 && find(advapi32, "CryptAcquireContextA", calls.acquire) &&
           find(advapi32, "CryptReleaseContext", calls.release) && find(advapi32, "CryptGenRandom", calls.random) &&
           find(advapi32, "CryptCreateHash", calls.createHash) && find(advapi32, "CryptHashData", calls.hashData) &&
           find(advapi32, "CryptGetHashParam", calls.getHashParam) &&
           find(advapi32, "CryptDestroyHash", calls.destroyHash);
}

// A provider context that knows SHA-256, released with the object.
class AesProvider {
public:
    AesProvider()
    {
        if (!loadHashCalls(calls_))
            return;
        for (const char* name : aesProviderNames)
            if (calls_.acquire(&provider_, nullptr, name, aesProviderType, CRYPT_VERIFYCONTEXT))
                return;
        provider_ = 0;
    }
    ~AesProvider()
    {
        if (provider_)
            calls_.release(provider_, 0);
    }
    AesProvider(const AesProvider&) = delete;
    AesProvider& operator=(const AesProvider&) = delete;

    bool random(BYTE* bytes, DWORD length) { return provider_ && calls_.random(provider_, length, bytes); }

    bool sha256(const std::string& text, BYTE (&hash)[32])
    {
        HCRYPTHASH handle = 0;
        if (!provider_ || !calls_.createHash(provider_, sha256Algorithm, 0, 0, &handle))
            return false;
        DWORD size = sizeof hash;
        bool done = calls_.hashData(handle, reinterpret_cast<const BYTE*>(text.data()), DWORD(text.size()), 0) &&
                    calls_.getHashParam(handle, HP_HASHVAL, hash, &size, 0) && size == sizeof hash;
        calls_.destroyHash(handle);
        return done;
    }

private:
    HashCalls calls_ = {};
    HCRYPTPROV provider_ = 0;
};

} // namespace

bool pkceChallengeFor(const std::string& verifier, std::string& challenge)
{
    AesProvider provider;
    BYTE hash[32];
    if (!provider.sha256(verifier, hash))
        return false;
    challenge = base64UrlEncode(hash, sizeof hash);
    return true;
}

bool makePkcePair(PkcePair& pair)
{
    AesProvider provider;
    BYTE secret[32];
    BYTE state[16];
    if (!provider.random(secret, sizeof secret) || !provider.random(state, sizeof state))
        return false;
    pair.verifier = base64UrlEncode(secret, sizeof secret);
    pair.state = base64UrlEncode(state, sizeof state);
    SecureZeroMemory(secret, sizeof secret);
    BYTE hash[32];
    if (!provider.sha256(pair.verifier, hash))
        return false;
    pair.challenge = base64UrlEncode(hash, sizeof hash);
    return true;
}
