#include "channel/Md5.h"

#include <cstring>

namespace {

constexpr uint32_t kInitialState[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};

inline uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }
inline uint32_t F(uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (~x & z); }
inline uint32_t G(uint32_t x, uint32_t y, uint32_t z) { return (x & z) | (y & ~z); }
inline uint32_t H(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
inline uint32_t I(uint32_t x, uint32_t y, uint32_t z) { return y ^ (x | ~z); }

template <uint32_t (*Fn)(uint32_t, uint32_t, uint32_t)>
inline void Step(uint32_t& a, uint32_t b, uint32_t c, uint32_t d, uint32_t x, int s, uint32_t t) {
    a = b + RotateLeft(a + Fn(b, c, d) + x + t, s);
}

inline uint32_t LoadLittleEndian(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
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

void Md5::Transform(const uint8_t* block) {
    uint32_t x[16];
    for (int i = 0; i < 16; ++i) x[i] = LoadLittleEndian(block + 4 * i);
    uint32_t a = m_state[0], b = m_state[1], c = m_state[2], d = m_state[3];

    Step<F>(a, b, c, d, x[0], 7, 0xd76aa478u);
    Step<F>(d, a, b, c, x[1], 12, 0xe8c7b756u);
    Step<F>(c, d, a, b, x[2], 17, 0x242070dbu);
    Step<F>(b, c, d, a, x[3], 22, 0xc1bdceeeu);
    Step<F>(a, b, c, d, x[4], 7, 0xf57c0fafu);
    Step<F>(d, a, b, c, x[5], 12, 0x4787c62au);
    Step<F>(c, d, a, b, x[6], 17, 0xa8304613u);
    Step<F>(b, c, d, a, x[7], 22, 0xfd469501u);
    Step<F>(a, b, c, d, x[8], 7, 0x698098d8u);
    Step<F>(d, a, b, c, x[9], 12, 0x8b44f7afu);
    Step<F>(c, d, a, b, x[10], 17, 0xffff5bb1u);
    Step<F>(b, c, d, a, x[11], 22, 0x895cd7beu);
    Step<F>(a, b, c, d, x[12], 7, 0x6b901122u);
    Step<F>(d, a, b, c, x[13], 12, 0xfd987193u);
    Step<F>(c, d, a, b, x[14], 17, 0xa679438eu);
    Step<F>(b, c, d, a, x[15], 22, 0x49b40821u);

    Step<G>(a, b, c, d, x[1], 5, 0xf61e2562u);
    Step<G>(d, a, b, c, x[6], 9, 0xc040b340u);
    Step<G>(c, d, a, b, x[11], 14, 0x265e5a51u);
    Step<G>(b, c, d, a, x[0], 20, 0xe9b6c7aau);
    Step<G>(a, b, c, d, x[5], 5, 0xd62f105du);
    Step<G>(d, a, b, c, x[10], 9, 0x02441453u);
    Step<G>(c, d, a, b, x[15], 14, 0xd8a1e681u);
    Step<G>(b, c, d, a, x[4], 20, 0xe7d3fbc8u);
    Step<G>(a, b, c, d, x[9], 5, 0x21e1cde6u);
    Step<G>(d, a, b, c, x[14], 9, 0xc33707d6u);
    Step<G>(c, d, a, b, x[3], 14, 0xf4d50d87u);
    Step<G>(b, c, d, a, x[8], 20, 0x455a14edu);
    Step<G>(a, b, c, d, x[13], 5, 0xa9e3e905u);
    Step<G>(d, a, b, c, x[2], 9, 0xfcefa3f8u);
    Step<G>(c, d, a, b, x[7], 14, 0x676f02d9u);
    Step<G>(b, c, d, a, x[12], 20, 0x8d2a4c8au);

    Step<H>(a, b, c, d, x[5], 4, 0xfffa3942u);
    Step<H>(d, a, b, c, x[8], 11, 0x8771f681u);
    Step<H>(c, d, a, b, x[11], 16, 0x6d9d6122u);
    Step<H>(b, c, d, a, x[14], 23, 0xfde5380cu);
    Step<H>(a, b, c, d, x[1], 4, 0xa4beea44u);
    Step<H>(d, a, b, c, x[4], 11, 0x4bdecfa9u);
    Step<H>(c, d, a, b, x[7], 16, 0xf6bb4b60u);
    Step<H>(b, c, d, a, x[10], 23, 0xbebfbc70u);
    Step<H>(a, b, c, d, x[13], 4, 0x289b7ec6u);
    Step<H>(d, a, b, c, x[0], 11, 0xeaa127fau);
    Step<H>(c, d, a, b, x[3], 16, 0xd4ef3085u);
    Step<H>(b, c, d, a, x[6], 23, 0x04881d05u);
    Step<H>(a, b, c, d, x[9], 4, 0xd9d4d039u);
    Step<H>(d, a, b, c, x[12], 11, 0xe6db99e5u);
    Step<H>(c, d, a, b, x[15], 16, 0x1fa27cf8u);
    Step<H>(b, c, d, a, x[2], 23, 0xc4ac5665u);

    Step<I>(a, b, c, d, x[0], 6, 0xf4292244u);
    Step<I>(d, a, b, c, x[7], 10, 0x432aff97u);
    Step<I>(c, d, a, b, x[14], 15, 0xab9423a7u);
    Step<I>(b, c, d, a, x[5], 21, 0xfc93a039u);
    Step<I>(a, b, c, d, x[12], 6, 0x655b59c3u);
    Step<I>(d, a, b, c, x[3], 10, 0x8f0ccc92u);
    Step<I>(c, d, a, b, x[10], 15, 0xffeff47du);
    Step<I>(b, c, d, a, x[1], 21, 0x85845dd1u);
    Step<I>(a, b, c, d, x[8], 6, 0x6fa87e4fu);
    Step<I>(d, a, b, c, x[15], 10, 0xfe2ce6e0u);
    Step<I>(c, d, a, b, x[6], 15, 0xa3014314u);
    Step<I>(b, c, d, a, x[13], 21, 0x4e0811a1u);
    Step<I>(a, b, c, d, x[4], 6, 0xf7537e82u);
    Step<I>(d, a, b, c, x[11], 10, 0xbd3af235u);
    Step<I>(c, d, a, b, x[2], 15, 0x2ad7d2bbu);
    Step<I>(b, c, d, a, x[9], 21, 0xeb86d391u);

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
