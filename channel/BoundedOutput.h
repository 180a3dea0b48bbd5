// The bounded output that both directions of percent escaping write through.
#pragma once

#include <cstdint>
#include <cstring>

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
