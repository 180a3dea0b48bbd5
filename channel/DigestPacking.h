// A digest of 32 lower-case hexadecimal characters as its 16 bytes and back: how the verdict
// cache keeps the keys that the library and the main program write. The first character is the
// high half of the first byte, so the bytes order as the characters did.
#pragma once

#include <cstdint>

// Packs `characters` (32 bytes) into `packed` (16 bytes); false, and `packed` undefined, when
// any character is no lower-case hexadecimal digit.
bool PackDigest(const uint8_t* characters, uint8_t* packed);
// Writes the 32 characters of `packed` (16 bytes) to `characters`.
void UnpackDigest(const uint8_t* packed, uint8_t* characters);

// The two ways of doing it: a machine word at a time, and sixteen bytes at a time where the
// processor has SSE2 (every 64-bit one; checked once in 32 bits). Exposed so that both are tested
// on any machine.
namespace digest_packing {
bool PackWords(const uint8_t* characters, uint8_t* packed);
void UnpackWords(const uint8_t* packed, uint8_t* characters);
bool HasVectors();
bool PackVectors(const uint8_t* characters, uint8_t* packed);
void UnpackVectors(const uint8_t* packed, uint8_t* characters);
}  // namespace digest_packing
