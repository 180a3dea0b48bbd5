#include "channel/PercentCoding.h"

#include "channel/BoundedOutput.h"

namespace {

int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

bool PercentDecodeUrl(const char* src, char* dst, uint32_t* neededLength, uint32_t capacity) {
    BoundedOutput out(dst, capacity);
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(src); *p; ++p) {
        if (*p != '%') {
            out.Put(reinterpret_cast<const char*>(p), 1);
            continue;
        }
        const int high = HexValue(p[1]);
        const int low = high < 0 ? -1 : HexValue(p[2]);
        if (low < 0) {
            out.Finish(neededLength);
            return false;
        }
        const char byte = char(high << 4 | low);
        out.Put(&byte, 1);
        p += 2;
    }
    return out.Finish(neededLength);
}
