#include "channel/DigestPacking.h"

#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#include <emmintrin.h>
#define VEKO_HAS_VECTOR_CODE 1
#endif

namespace digest_packing {

namespace {

// Hexadecimal digits a machine word at a time (four characters in 32 bits, eight in 64).
using Word = uintptr_t;
constexpr size_t kWordBytes = sizeof(Word);
constexpr Word kEachByte = Word(~Word(0)) / 255;
constexpr Word kHighBits = kEachByte * 0x80;
constexpr Word kEvenBytes = kEachByte * 255 / 257;  // 0x00FF00FF...

// The high bit of each byte of `x` (bytes below 0x80) set where the byte is at least `c`.
constexpr Word AtLeast(Word x, uint8_t c) { return (x + kEachByte * Word(0x80u - c)) & kHighBits; }

// The bytes at even places of `x`, moved together into its lower half.
Word GatherEvenBytes(Word x) {
    x &= kEvenBytes;
    if constexpr (kWordBytes == 8) {
        x = (x | (x >> 8)) & Word(0x0000FFFF0000FFFFull);
        return (x | (x >> 16)) & Word(0xFFFFFFFFull);
    } else {
        return (x | (x >> 8)) & Word(0xFFFF);
    }
}

// The lower half's bytes of `x` moved apart to the even places.
Word SpreadToEvenBytes(Word x) {
    if constexpr (kWordBytes == 8) x = (x | (x << 16)) & Word(0x0000FFFF0000FFFFull);
    return (x | (x << 8)) & kEvenBytes;
}

// A word of characters packed into half a word of bytes; a bit is set in `invalid` for each
// character that is no lower-case hexadecimal digit.
Word PackWord(const uint8_t* characters, Word& invalid) {
    Word x;
    std::memcpy(&x, characters, sizeof(x));
    const Word digit = AtLeast(x, '0') & ~AtLeast(x, '9' + 1);
    const Word letter = AtLeast(x, 'a') & ~AtLeast(x, 'f' + 1);
    // Bytes from 0x80 up are refused by their own high bit (and may spoil the flags of the next,
    // which is refused anyway).
    invalid |= (x & kHighBits) | ((digit | letter) ^ kHighBits);
    // '0'..'9' are 0x30..0x39, 'a'..'f' 0x61..0x66: the low four bits, plus 9 for a letter.
    const Word nibbles = (x & (kEachByte * 15)) + 9 * ((x >> 6) & kEachByte);
    return GatherEvenBytes((nibbles << 4) | (nibbles >> 8));
}

// Half a word of bytes as a word of lower-case hexadecimal characters.
Word UnpackWord(const uint8_t* bytes) {
    Word half = 0;
    std::memcpy(&half, bytes, kWordBytes / 2);
    const Word x = SpreadToEvenBytes(half);
    const Word nibbles = ((x >> 4) & (kEachByte * 15)) | ((x & (kEachByte * 15)) << 8);
    const Word letters = ((nibbles + kEachByte * 6) >> 4) & kEachByte;  // 1 where 10..15
    return nibbles + kEachByte * '0' + letters * ('a' - '0' - 10);
}

}  // namespace

bool PackWords(const uint8_t* characters, uint8_t* packed) {
    // Checked once at the end: a digest is the common case.
    Word invalid = 0;
    for (size_t i = 0; i < 32; i += kWordBytes) {
        const Word bytes = PackWord(characters + i, invalid);
        std::memcpy(packed + i / 2, &bytes, kWordBytes / 2);
    }
    return invalid == 0;
}

void UnpackWords(const uint8_t* packed, uint8_t* characters) {
    for (size_t i = 0; i < 16; i += kWordBytes / 2) {
        const Word word = UnpackWord(packed + i);
        std::memcpy(characters + 2 * i, &word, kWordBytes);
    }
}

#ifdef VEKO_HAS_VECTOR_CODE

bool HasVectors() {
#ifdef __x86_64__
    return true;
#else
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    return __get_cpuid(1, &eax, &ebx, &ecx, &edx) && (edx & bit_SSE2);
#endif
}

#pragma GCC push_options
#pragma GCC target("sse2")

namespace {

// 0xFF in each byte that is a lower-case hexadecimal digit. The comparisons are signed, so bytes
// from 0x80 up fall outside both ranges.
__m128i HexDigits(__m128i x) {
    const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8('0' - 1)),
                                        _mm_cmplt_epi8(x, _mm_set1_epi8('9' + 1)));
    const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8('a' - 1)),
                                         _mm_cmplt_epi8(x, _mm_set1_epi8('f' + 1)));
    return _mm_or_si128(digit, letter);
}

// Sixteen digits as eight bytes, each in the low half of a 16-bit lane.
__m128i PackLanes(__m128i x) {
    const __m128i letter = _mm_cmpgt_epi8(x, _mm_set1_epi8('9'));
    const __m128i nibbles = _mm_add_epi8(_mm_and_si128(x, _mm_set1_epi8(0x0F)),
                                         _mm_and_si128(letter, _mm_set1_epi8(9)));
    const __m128i high = _mm_and_si128(_mm_slli_epi16(nibbles, 4), _mm_set1_epi16(0x00F0));
    return _mm_or_si128(high, _mm_srli_epi16(nibbles, 8));
}

// Sixteen nibbles (0..15) as their characters.
__m128i Characters(__m128i nibbles) {
    const __m128i letter = _mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9));
    return _mm_add_epi8(_mm_add_epi8(nibbles, _mm_set1_epi8('0')),
                        _mm_and_si128(letter, _mm_set1_epi8('a' - '0' - 10)));
}

}  // namespace

bool PackVectors(const uint8_t* characters, uint8_t* packed) {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(characters));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(characters + 16));
    if (_mm_movemask_epi8(_mm_and_si128(HexDigits(first), HexDigits(second))) != 0xFFFF)
        return false;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(packed),
                     _mm_packus_epi16(PackLanes(first), PackLanes(second)));
    return true;
}

void UnpackVectors(const uint8_t* packed, uint8_t* characters) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(packed));
    const __m128i low = _mm_and_si128(x, _mm_set1_epi8(0x0F));
    const __m128i high = _mm_and_si128(_mm_srli_epi16(x, 4), _mm_set1_epi8(0x0F));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(characters),
                     Characters(_mm_unpacklo_epi8(high, low)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(characters + 16),
                     Characters(_mm_unpackhi_epi8(high, low)));
}

#pragma GCC pop_options

#else

bool HasVectors() { return false; }
bool PackVectors(const uint8_t* characters, uint8_t* packed) {
    return PackWords(characters, packed);
}
void UnpackVectors(const uint8_t* packed, uint8_t* characters) { UnpackWords(packed, characters); }

#endif

}  // namespace digest_packing

namespace {

const bool kVectors = digest_packing::HasVectors();

}  // namespace

bool PackDigest(const uint8_t* characters, uint8_t* packed) {
    return kVectors ? digest_packing::PackVectors(characters, packed)
                    : digest_packing::PackWords(characters, packed);
}

void UnpackDigest(const uint8_t* packed, uint8_t* characters) {
    if (kVectors) {
        digest_packing::UnpackVectors(packed, characters);
    } else {
        digest_packing::UnpackWords(packed, characters);
    }
}
