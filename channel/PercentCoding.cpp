#include "channel/PercentCoding.h"

#include <cstring>

namespace {

bool IsSafe(unsigned char c) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
    return c != 0 && std::strchr("!'()*-./:_~", c) != nullptr;
}

int HexValue(unsigned char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Collects output pieces into a bounded buffer while counting the full length.
class BoundedOutput {
  public:
    BoundedOutput(char* dst, uint32_t capacity) : m_dst(dst), m_capacity(capacity) {}

    // A piece is written only while room for the terminator remains after it.
    void Put(const char* piece, uint32_t length) {
        if (m_fits && m_written + length < m_capacity) {
            std::memcpy(m_dst + m_written, piece, length);
            m_written += length;
        } else {
            m_fits = false;
        }
        m_needed += length;
    }

    // Writes the terminator where writing stopped; true when everything and it fitted.
    bool Finish(uint32_t* neededLength) {
        *neededLength = m_needed + 1;
        const bool terminatorFits = m_written < m_capacity;
        if (terminatorFits) m_dst[m_written] = '\0';
        return m_fits && terminatorFits;
    }

  private:
    char* m_dst;
    uint32_t m_capacity;
    uint32_t m_written = 0;
    uint32_t m_needed = 0;
    bool m_fits = true;
};

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
