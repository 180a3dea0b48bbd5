// The platform's own MD5 (CryptoAPI, CALG_MD5) as 32 lower-case hexadecimal characters; empty
// when the platform cannot compute it. Independent of the library's MD5, so each checks the other.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>

inline std::string PlatformMd5Hex(const void* data, DWORD size) {
    std::string hex;
    HCRYPTPROV provider = 0;
    if (!::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
        return hex;
    HCRYPTHASH hash = 0;
    BYTE digest[16] = {};
    DWORD length = sizeof(digest);
    if (::CryptCreateHash(provider, CALG_MD5, 0, 0, &hash)) {
        if (::CryptHashData(hash, static_cast<const BYTE*>(data), size, 0) &&
            ::CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0)) {
            char text[3];
            for (BYTE b : digest) {
                std::snprintf(text, sizeof(text), "%02x", b);
                hex += text;
            }
        }
        ::CryptDestroyHash(hash);
    }
    ::CryptReleaseContext(provider, 0);
    return hex;
}
