#include "channel/UrlDigest.h"

#include <cstdint>

#include "channel/DigestPacking.h"
#include "channel/Md5.h"

namespace {

void HashUnits(Md5& md5, const char16_t* units, size_t count) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    md5.Update(reinterpret_cast<const uint8_t*>(units), count * 2);
#else
    uint8_t bytes[256];
    while (count) {
        const size_t n = count < sizeof(bytes) / 2 ? count : sizeof(bytes) / 2;
        for (size_t i = 0; i < n; ++i) {
            bytes[2 * i] = uint8_t(units[i]);
            bytes[2 * i + 1] = uint8_t(units[i] >> 8);
        }
        md5.Update(bytes, n * 2);
        units += n;
        count -= n;
    }
#endif
}

size_t TextLength(const char16_t* text) {
    size_t count = 0;
    if (text) {
        while (text[count]) ++count;
    }
    return count;
}

Md5Digest DigestBytesOfUnits(const char16_t* units, size_t count) {
    Md5 md5;
    HashUnits(md5, units, count);
    return md5.Final();
}

}  // namespace

DigestKey DigestKeyOfUnits(const char16_t* units, size_t count) {
    const Md5Digest digest = DigestBytesOfUnits(units, count);
    DigestKey key;
    UnpackDigest(digest.data(), key.data());
    return key;
}

DigestKey DigestKeyOfText(const char16_t* text) { return DigestKeyOfUnits(text, TextLength(text)); }

Md5Digest DigestBytesOfText(const char16_t* text) {
    return DigestBytesOfUnits(text, TextLength(text));
}

UrlDigest DigestOfUnits(const char16_t* units, size_t count) {
    return ToUrlDigest(DigestKeyOfUnits(units, count));
}

UrlDigest DigestOfText(const char16_t* text) { return DigestOfUnits(text, TextLength(text)); }

DigestKey ToDigestKey(const UrlDigest& digest) {
    DigestKey key{};
    for (size_t i = 0; i < key.size() && i < digest.size(); ++i) key[i] = uint8_t(digest[i]);
    return key;
}

UrlDigest ToUrlDigest(const DigestKey& key) { return UrlDigest(key.begin(), key.end()); }
