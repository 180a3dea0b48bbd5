#include "channel/Md5.h"

#include <cstring>

namespace {

constexpr uint32_t kInitialState[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
inline uint32_t LoadLittleEndian(const uint8_t* p) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
#else
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
#endif
}

inline void StoreLittleEndian(uint32_t v, uint8_t* p) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

}  // namespace

Md5::Md5() : m_state{}, m_bitCount(0), m_buffer{} {
    std::memcpy(m_state, kInitialState, sizeof(m_state));
}

Md5::~Md5() { Wipe(); }

void Md5::Wipe() {
    volatile uint8_t* p = reinterpret_cast<volatile uint8_t*>(m_buffer);
    for (size_t i = 0; i < sizeof(m_buffer); ++i) p[i] = 0;
    volatile uint32_t* s = m_state;
    for (int i = 0; i < 4; ++i) s[i] = 0;
    m_bitCount = 0;
}

void Md5::Update(const uint8_t* data, size_t size) {
    if (size == 0) return;  // also for a null pointer
    size_t used = size_t(m_bitCount / 8 % 64);
    m_bitCount += uint64_t(size) * 8;
    if (used) {
        const size_t take = size < 64 - used ? size : 64 - used;
        std::memcpy(m_buffer + used, data, take);
        data += take;
        size -= take;
        if (used + take < 64) return;
        Transform(m_buffer);
    }
    for (; size >= 64; data += 64, size -= 64) Transform(data);
    if (size) std::memcpy(m_buffer, data, size);
}

Md5Digest Md5::Final() {
    static const uint8_t kPadding[64] = {0x80};
    uint8_t length[8];
    StoreLittleEndian(uint32_t(m_bitCount), length);
    StoreLittleEndian(uint32_t(m_bitCount >> 32), length + 4);
    const size_t used = size_t(m_bitCount / 8 % 64);
    Update(kPadding, used < 56 ? 56 - used : 120 - used);
    Update(length, 8);
    Md5Digest digest;
    for (int i = 0; i < 4; ++i) StoreLittleEndian(m_state[i], digest.data() + 4 * i);
    Wipe();
    return digest;
}

// The four rounds of RFC 1321, written so that each step's function needs as little as possible
// of the word the step before produced: G as two independent terms, H sharing one XOR between
// two steps, I with the complement taken early.
#define MD5_STEP_F(a, b, c, d, k, s, t)  \
    a += (d ^ (b & (c ^ d))) + x[k] + t; \
    a = b + RotateLeft(a, s)
#define MD5_STEP_G(a, b, c, d, k, s, t) \
    a += x[k] + t + (c & ~d);           \
    a += b & d;                         \
    a = b + RotateLeft(a, s)
#define MD5_STEP_H_FIRST(a, b, c, d, k, s, t) \
    shared = b ^ c;                           \
    a += (shared ^ d) + x[k] + t;             \
    a = b + RotateLeft(a, s)
#define MD5_STEP_H_SECOND(a, b, c, d, k, s, t) \
    a += (b ^ shared) + x[k] + t;              \
    a = b + RotateLeft(a, s)
#define MD5_STEP_I(a, b, c, d, k, s, t) \
    a += (c ^ (b | ~d)) + x[k] + t;     \
    a = b + RotateLeft(a, s)

void Md5::Transform(const uint8_t* block) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian(block + 4 * i);
    uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];
    uint32_t shared;

    MD5_STEP_F(a, b, c, d, 0, 7, 0xd76aa478u);
    MD5_STEP_F(d, a, b, c, 1, 12, 0xe8c7b756u);
    MD5_STEP_F(c, d, a, b, 2, 17, 0x242070dbu);
    MD5_STEP_F(b, c, d, a, 3, 22, 0xc1bdceeeu);
    MD5_STEP_F(a, b, c, d, 4, 7, 0xf57c0fafu);
    MD5_STEP_F(d, a, b, c, 5, 12, 0x4787c62au);
    MD5_STEP_F(c, d, a, b, 6, 17, 0xa8304613u);
    MD5_STEP_F(b, c, d, a, 7, 22, 0xfd469501u);
    MD5_STEP_F(a, b, c, d, 8, 7, 0x698098d8u);
    MD5_STEP_F(d, a, b, c, 9, 12, 0x8b44f7afu);
    MD5_STEP_F(c, d, a, b, 10, 17, 0xffff5bb1u);
    MD5_STEP_F(b, c, d, a, 11, 22, 0x895cd7beu);
    MD5_STEP_F(a, b, c, d, 12, 7, 0x6b901122u);
    MD5_STEP_F(d, a, b, c, 13, 12, 0xfd987193u);
    MD5_STEP_F(c, d, a, b, 14, 17, 0xa679438eu);
    MD5_STEP_F(b, c, d, a, 15, 22, 0x49b40821u);

    MD5_STEP_G(a, b, c, d, 1, 5, 0xf61e2562u);
    MD5_STEP_G(d, a, b, c, 6, 9, 0xc040b340u);
    MD5_STEP_G(c, d, a, b, 11, 14, 0x265e5a51u);
    MD5_STEP_G(b, c, d, a, 0, 20, 0xe9b6c7aau);
    MD5_STEP_G(a, b, c, d, 5, 5, 0xd62f105du);
    MD5_STEP_G(d, a, b, c, 10, 9, 0x02441453u);
    MD5_STEP_G(c, d, a, b, 15, 14, 0xd8a1e681u);
    MD5_STEP_G(b, c, d, a, 4, 20, 0xe7d3fbc8u);
    MD5_STEP_G(a, b, c, d, 9, 5, 0x21e1cde6u);
    MD5_STEP_G(d, a, b, c, 14, 9, 0xc33707d6u);
    MD5_STEP_G(c, d, a, b, 3, 14, 0xf4d50d87u);
    MD5_STEP_G(b, c, d, a, 8, 20, 0x455a14edu);
    MD5_STEP_G(a, b, c, d, 13, 5, 0xa9e3e905u);
    MD5_STEP_G(d, a, b, c, 2, 9, 0xfcefa3f8u);
    MD5_STEP_G(c, d, a, b, 7, 14, 0x676f02d9u);
    MD5_STEP_G(b, c, d, a, 12, 20, 0x8d2a4c8au);

    MD5_STEP_H_FIRST(a, b, c, d, 5, 4, 0xfffa3942u);
    MD5_STEP_H_SECOND(d, a, b, c, 8, 11, 0x8771f681u);
    MD5_STEP_H_FIRST(c, d, a, b, 11, 16, 0x6d9d6122u);
    MD5_STEP_H_SECOND(b, c, d, a, 14, 23, 0xfde5380cu);
    MD5_STEP_H_FIRST(a, b, c, d, 1, 4, 0xa4beea44u);
    MD5_STEP_H_SECOND(d, a, b, c, 4, 11, 0x4bdecfa9u);
    MD5_STEP_H_FIRST(c, d, a, b, 7, 16, 0xf6bb4b60u);
    MD5_STEP_H_SECOND(b, c, d, a, 10, 23, 0xbebfbc70u);
    MD5_STEP_H_FIRST(a, b, c, d, 13, 4, 0x289b7ec6u);
    MD5_STEP_H_SECOND(d, a, b, c, 0, 11, 0xeaa127fau);
    MD5_STEP_H_FIRST(c, d, a, b, 3, 16, 0xd4ef3085u);
    MD5_STEP_H_SECOND(b, c, d, a, 6, 23, 0x04881d05u);
    MD5_STEP_H_FIRST(a, b, c, d, 9, 4, 0xd9d4d039u);
    MD5_STEP_H_SECOND(d, a, b, c, 12, 11, 0xe6db99e5u);
    MD5_STEP_H_FIRST(c, d, a, b, 15, 16, 0x1fa27cf8u);
    MD5_STEP_H_SECOND(b, c, d, a, 2, 23, 0xc4ac5665u);

    MD5_STEP_I(a, b, c, d, 0, 6, 0xf4292244u);
    MD5_STEP_I(d, a, b, c, 7, 10, 0x432aff97u);
    MD5_STEP_I(c, d, a, b, 14, 15, 0xab9423a7u);
    MD5_STEP_I(b, c, d, a, 5, 21, 0xfc93a039u);
    MD5_STEP_I(a, b, c, d, 12, 6, 0x655b59c3u);
    MD5_STEP_I(d, a, b, c, 3, 10, 0x8f0ccc92u);
    MD5_STEP_I(c, d, a, b, 10, 15, 0xffeff47du);
    MD5_STEP_I(b, c, d, a, 1, 21, 0x85845dd1u);
    MD5_STEP_I(a, b, c, d, 8, 6, 0x6fa87e4fu);
    MD5_STEP_I(d, a, b, c, 15, 10, 0xfe2ce6e0u);
    MD5_STEP_I(c, d, a, b, 6, 15, 0xa3014314u);
    MD5_STEP_I(b, c, d, a, 13, 21, 0x4e0811a1u);
    MD5_STEP_I(a, b, c, d, 4, 6, 0xf7537e82u);
    MD5_STEP_I(d, a, b, c, 11, 10, 0xbd3af235u);
    MD5_STEP_I(c, d, a, b, 2, 15, 0x2ad7d2bbu);
    MD5_STEP_I(b, c, d, a, 9, 21, 0xeb86d391u);

    m_state[0] += a;
    m_state[1] += b;
    m_state[2] += c;
    m_state[3] += d;
}

Md5Digest ComputeMd5(const uint8_t* data, size_t size) {
    Md5 md5;
    md5.Update(data, size);
    return md5.Final();
}
