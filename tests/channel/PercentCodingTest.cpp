#include <gtest/gtest.h>

#include <string>

#include "channel/PercentCoding.h"

namespace {

using Coder = bool (*)(const char*, char*, uint32_t*, uint32_t);

struct Outcome {
    bool ok;
    std::string text;
    uint32_t needed;
};

Outcome Code(Coder coder, const std::string& input, uint32_t capacity) {
    std::string buffer(capacity + 8, '#');
    uint32_t needed = 12345;
    const bool ok = coder(input.c_str(), &buffer[0], &needed, capacity);
    EXPECT_EQ(buffer.substr(capacity), std::string(8, '#')) << "wrote past the capacity";
    const size_t end = buffer.find('\0');
    return {ok, end < capacity ? buffer.substr(0, end) : "<no terminator>", needed};
}

struct Case {
    std::string input;
    bool ok;
    std::string output;
};

const Case kEncodeCases[] = {
    {"a b%c?d", true, "a%20b%c%3fd"},
    {"\x0a", true, "%0a"},
    {"\xe4", true, "%e4"},
    {"a/b:c~d", true, "a/b:c~d"},
    {"", true, ""},
    {"!'()*-./09:AZ_az~", true, "!'()*-./09:AZ_az~"},
    {"\x01\x1f\x7f\x80\xff", true, "%01%1f%7f%80%ff"},
    {"\"#$&+,;<=>@[\\]^`{|}", true, "%22%23%24%26%2b%2c%3b%3c%3d%3e%40%5b%5c%5d%5e%60%7b%7c%7d"},
};

const Case kDecodeCases[] = {
    {"a%3A%2fb", true, "a:/b"},
    {"a+b", true, "a+b"},
    {"%e4%B8%ad", true, "\xe4\xb8\xad"},
    {"%00x", true, ""},  // a decoded null ends the string as C reads it
    {"", true, ""},
    // A malformed escape ends the decoding; what came before it is kept.
    {"50%", false, "50"},
    {"50%4", false, "50"},
    {"%zz", false, ""},
    {"ab%g1cd", false, "ab"},
    {"ab%1gcd", false, "ab"},
};

TEST(PercentCoding, EncodeTable) {
    for (const Case& c : kEncodeCases) {
        const Outcome out = Code(PercentEncodeUrl, c.input, 256);
        EXPECT_EQ(out.ok, c.ok) << c.input;
        EXPECT_EQ(out.text, c.output) << c.input;
        EXPECT_EQ(out.needed, c.output.size() + 1) << c.input;
    }
}

TEST(PercentCoding, DecodeTable) {
    for (const Case& c : kDecodeCases) {
        const Outcome out = Code(PercentDecodeUrl, c.input, 256);
        EXPECT_EQ(out.ok, c.ok) << c.input;
        EXPECT_EQ(out.text.c_str(), c.output) << c.input;
    }
    EXPECT_EQ(Code(PercentDecodeUrl, "ab%zz", 256).needed, 3u) << "counts what was decoded";
}

// Every byte value: safe characters and "%" stay, everything else is escaped.
TEST(PercentCoding, EncodeClassifiesEveryByte) {
    const std::string safe =
        "!'()*-./0123456789:ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz~%";
    for (int b = 1; b < 256; ++b) {
        const std::string input(1, char(b));
        const Outcome out = Code(PercentEncodeUrl, input, 8);
        const bool kept = safe.find(char(b)) != std::string::npos;
        EXPECT_EQ(out.text.size(), kept ? 1u : 3u) << b;
        if (b != '%') {
            EXPECT_EQ(Code(PercentDecodeUrl, out.text, 8).text, input) << b;
        }
    }
}

// A destination exactly one character too small: false, the full length, and a clean prefix.
TEST(PercentCoding, OneTooSmall) {
    const struct {
        Coder coder;
        std::string input;
        std::string full;
        std::string prefix;  // what fits into full.size() characters with its terminator
    } cases[] = {
        {PercentEncodeUrl, "a/b", "a/b", "a/"},
        {PercentEncodeUrl, "ab c", "ab%20c", "ab%20"},
        {PercentEncodeUrl, "abc ", "abc%20", "abc"},  // an escape needs room for all three
        {PercentDecodeUrl, "a%3A%2fb", "a:/b", "a:/"},
        {PercentDecodeUrl, "xyz", "xyz", "xy"},
    };
    for (const auto& c : cases) {
        const uint32_t exact = uint32_t(c.full.size() + 1);
        const Outcome fits = Code(c.coder, c.input, exact);
        EXPECT_TRUE(fits.ok) << c.input;
        EXPECT_EQ(fits.text, c.full) << c.input;
        const Outcome small = Code(c.coder, c.input, exact - 1);
        EXPECT_FALSE(small.ok) << c.input;
        EXPECT_EQ(small.needed, exact) << c.input;
        EXPECT_EQ(small.text, c.prefix) << c.input;
    }
    const Outcome none = Code(PercentEncodeUrl, "abc", 0);
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.needed, 4u);
}

}  // namespace
