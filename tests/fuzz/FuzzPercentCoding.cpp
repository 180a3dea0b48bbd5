// Percent coding on any bytes and any capacity: nothing is written past the capacity, the
// needed length is the same whatever the capacity, and decoding an encoding gives the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "channel/PercentCoding.h"

namespace {

using Coder = bool (*)(const char*, char*, uint32_t*, uint32_t);

// Runs the coder into a buffer of exactly `capacity` bytes (the sanitizer guards its end).
std::string Code(Coder coder, const std::string& input, uint32_t capacity, bool* ok,
                 uint32_t* needed) {
    std::vector<char> out(capacity ? capacity : 1);
    *ok = coder(input.c_str(), capacity ? out.data() : nullptr, needed, capacity);
    if (*ok && (*needed > capacity || out[*needed - 1] != '\0')) std::abort();
    if (capacity && std::memchr(out.data(), '\0', capacity) == nullptr && *ok) std::abort();
    return capacity ? std::string(out.data(), strnlen(out.data(), capacity)) : std::string();
}

void Check(Coder coder, const std::string& input, uint32_t capacity) {
    bool fullOk = false, smallOk = false;
    uint32_t fullNeeded = 0, smallNeeded = 0;
    const std::string full =
        Code(coder, input, 4 * uint32_t(input.size()) + 4, &fullOk, &fullNeeded);
    const std::string part = Code(coder, input, capacity, &smallOk, &smallNeeded);
    // A too small buffer holds a prefix of what the big one holds.
    if (full.compare(0, part.size(), part) != 0) std::abort();
    if (fullOk && smallNeeded != fullNeeded) std::abort();
    if (smallOk != (fullOk && capacity >= fullNeeded)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint32_t capacity = uint32_t(data[0]) | uint32_t(data[1] & 0x03) << 8;
    std::string input(reinterpret_cast<const char*>(data + 2), size - 2);
    input = input.c_str();  // up to the first null, as the coders read it
    Check(PercentEncodeUrl, input, capacity);
    Check(PercentDecodeUrl, input, capacity);

    // Without "%" in the input, decoding the encoding gives the input back.
    if (input.find('%') == std::string::npos) {
        bool ok = false;
        uint32_t needed = 0;
        const std::string encoded =
            Code(PercentEncodeUrl, input, 3 * uint32_t(input.size()) + 1, &ok, &needed);
        if (!ok) std::abort();
        const std::string decoded =
            Code(PercentDecodeUrl, encoded, uint32_t(encoded.size()) + 1, &ok, &needed);
        if (!ok || decoded != input) std::abort();
    }
    return 0;
}
