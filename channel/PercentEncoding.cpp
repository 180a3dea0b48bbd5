// Percent encoding, apart from decoding: only the pop-up's report link needs it, so the compact
// library, which has no pop-up, does not carry it.
#include <cstring>

#include "channel/BoundedOutput.h"
#include "channel/PercentCoding.h"

namespace {

bool IsSafe(unsigned char c) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    return c != 0 && std::strchr("!'()*-./:_~", c) != nullptr;
}

}  // namespace

bool PercentEncodeUrl(const char* src, char* dst, uint32_t* neededLength, uint32_t capacity) {
    static const char kHex[] = "0123456789abcdef";
    BoundedOutput out(dst, capacity);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(src); *p; ++p) {
        if (IsSafe(*p) || *p == '%') {
            out.Put(reinterpret_cast<const char*>(p), 1);
        } else {
            const char escape[3] = {'%', kHex[*p >> 4], kHex[*p & 0x0F]};
            out.Put(escape, 3);
        }
    }
    return out.Finish(neededLength);
}
