// MD5 message digest (RFC 1321). Plain C++ with fixed-width types: no platform headers.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

using Md5Digest = std::array<uint8_t, 16>;

class Md5 {
  public:
    Md5();
    ~Md5();
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;

    void Update(const uint8_t* data, size_t size);
    // Pads, appends the bit count and returns the digest; the state is wiped afterwards.
    Md5Digest Final();

  private:
    void Transform(const uint8_t* block);
    void Wipe();

    uint32_t m_state[4];
    uint64_t m_bitCount;
    uint8_t m_buffer[64];
};

Md5Digest ComputeMd5(const uint8_t* data, size_t size);
