// The key of every verdict: the MD5 digest of an address text's UTF-16LE code units, written as
// 32 lower-case hexadecimal characters. The text is hashed exactly as it stands (no trimming,
// case folding or URL normalisation), up to its first null character.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

using UrlDigest = std::u16string;
// The same 32 characters as bytes: the cache's key. Unsigned bytes order exactly as the
// characters they stand for.
using DigestKey = std::array<uint8_t, 32>;

// The digest of `count` code units.
UrlDigest DigestOfUnits(const char16_t* units, size_t count);
// The digest of a null-terminated text; a null pointer counts as the empty text.
UrlDigest DigestOfText(const char16_t* text);

// The key of `count` code units, without building the wide string.
DigestKey DigestKeyOfUnits(const char16_t* units, size_t count);
DigestKey DigestKeyOfText(const char16_t* text);
// The digest's 16 bytes, before they are written as characters.
std::array<uint8_t, 16> DigestBytesOfText(const char16_t* text);
DigestKey ToDigestKey(const UrlDigest& digest);
UrlDigest ToUrlDigest(const DigestKey& key);

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide characters are UTF-16 code units");
inline UrlDigest ComputeUrlDigest(const wchar_t* text) {
    return DigestOfText(reinterpret_cast<const char16_t*>(text));
}
inline std::array<uint8_t, 16> ComputeDigestBytes(const wchar_t* text) {
    return DigestBytesOfText(reinterpret_cast<const char16_t*>(text));
}
#endif
