// The key of every verdict: the MD5 digest of an address text's UTF-16LE code units, written as
// 32 lower-case hexadecimal characters. The text is hashed exactly as it stands (no trimming,
// case folding or URL normalisation), up to its first null character.
#pragma once

#include <cstddef>
#include <string>

using UrlDigest = std::u16string;

// The digest of `count` code units.
UrlDigest DigestOfUnits(const char16_t* units, size_t count);
// The digest of a null-terminated text; a null pointer counts as the empty text.
UrlDigest DigestOfText(const char16_t* text);

#ifdef _WIN32
static_assert(sizeof(wchar_t) == sizeof(char16_t), "wide characters are UTF-16 code units");
inline UrlDigest ComputeUrlDigest(const wchar_t* text) {
    return DigestOfText(reinterpret_cast<const char16_t*>(text));
}
#endif
