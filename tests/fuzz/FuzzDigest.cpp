// The digest of any code units: the key and the wide digest agree, fed whole or in two pieces.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "channel/Md5.h"
#include "channel/UrlDigest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char16_t> units(size / 2);
    if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
    const DigestKey key = DigestKeyOfUnits(units.data(), units.size());
    if (ToUrlDigest(key) != DigestOfUnits(units.data(), units.size())) std::abort();
    for (uint8_t c : key) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) std::abort();
    }
    // Bytes in two pieces give the same MD5 as in one.
    const size_t split = size ? data[0] % (size + 1) : 0;
    Md5 pieces;
    pieces.Update(data, split);
    pieces.Update(data + split, size - split);
    if (pieces.Final() != ComputeMd5(data, size)) std::abort();
    // Up to the first null only.
    units.push_back(0);
    const DigestKey text = DigestKeyOfText(units.data());
    size_t length = 0;
    while (units[length]) ++length;
    if (text != DigestKeyOfUnits(units.data(), length)) std::abort();
    return 0;
}
