// The address digest: MD5 over the UTF-16LE code units, checked against published vectors and
// against the platform's own MD5.
#include <windows.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "channel/Md5.h"
#include "channel/UrlDigest.h"
#include "mainprog/PlatformMd5.h"

namespace {

std::string Hex(const Md5Digest& digest) {
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : digest) {
        text += kHex[b >> 4];
        text += kHex[b & 15];
    }
    return text;
}

std::string Narrow(const UrlDigest& digest) { return std::string(digest.begin(), digest.end()); }

std::string PlatformMd5(const void* data, size_t size) { return PlatformMd5Hex(data, DWORD(size)); }

struct RfcVector {
    const char* text;
    const char* asBytes;  // RFC 1321, appendix A.5
    const char* asUtf16;  // the same text as UTF-16LE code units
};

const RfcVector kRfcSuite[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661", "4144e195f46de78a3623da7364d04f11"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72", "ce1473cf80c6b3fda8e3dfc006adc315"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0", "6f9ab83227f65f9b86c380e2c9c33031"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b",
     "35020d67a52d8e915330f0a77f676bbf"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f", "86056d805455c8448f6c09404c3db624"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a", "903f43f5c1f384fc267110bf07caec04"},
};

TEST(UrlDigest, RfcSuiteAsBytesAndAsWideText) {
    for (const RfcVector& v : kRfcSuite) {
        const std::string text = v.text;
        EXPECT_EQ(Hex(ComputeMd5(reinterpret_cast<const uint8_t*>(text.data()), text.size())),
                  v.asBytes)
            << text;
        const std::wstring wide(text.begin(), text.end());
        EXPECT_EQ(Narrow(ComputeUrlDigest(wide.c_str())), v.asUtf16) << text;
    }
}

TEST(UrlDigest, HashesTheTextExactlyUpToItsFirstNull) {
    // abc is the six bytes 61 00 62 00 63 00, not the three ASCII bytes.
    EXPECT_EQ(Narrow(ComputeUrlDigest(L"abc")), PlatformMd5("a\0b\0c\0", 6));
    EXPECT_EQ(ComputeUrlDigest(L"ab\0cd"), ComputeUrlDigest(L"ab"));
    EXPECT_EQ(ComputeUrlDigest(nullptr), ComputeUrlDigest(L""));
    EXPECT_EQ(Narrow(ComputeUrlDigest(nullptr)), "d41d8cd98f00b204e9800998ecf8427e");
    // A character outside the BMP is its two surrogates; other scripts are their code units.
    EXPECT_EQ(Narrow(ComputeUrlDigest(L"http://x/\U0001F600")), "e8f47a6b84fc79a3fea6edc767871799");
    EXPECT_EQ(Narrow(ComputeUrlDigest(L"http://例子.测试/")), "f7d3706c51b674380779be391cbe53bd");
    // No normalisation of any kind.
    EXPECT_NE(ComputeUrlDigest(L"http://a.example/"), ComputeUrlDigest(L"http://A.example/"));
    EXPECT_NE(ComputeUrlDigest(L"http://a.example/"), ComputeUrlDigest(L"http://a.example"));
    EXPECT_NE(ComputeUrlDigest(L"http://a.example/"), ComputeUrlDigest(L" http://a.example/"));
}

// Found by fuzzing: an empty piece may come with a null pointer, also after a partial block.
TEST(UrlDigest, EmptyPiecesChangeNothing) {
    const uint8_t bytes[] = {'a', 'b', 'c'};
    Md5 md5;
    md5.Update(nullptr, 0);
    md5.Update(bytes, 2);
    md5.Update(nullptr, 0);
    md5.Update(bytes + 2, 1);
    EXPECT_EQ(Hex(md5.Final()), "900150983cd24fb0d6963f7d28e17f72");
}

// Every length around the 56- and 64-byte padding boundaries, fed whole and in pieces.
TEST(UrlDigest, AgreesWithPlatformMd5AtEveryLengthAndSplit) {
    std::mt19937 random(1321);
    for (size_t units = 0; units <= 150; ++units) {
        std::u16string text(units, u'\0');
        for (auto& c : text) c = char16_t(1 + random() % 0xFFFE);
        const std::string expected = PlatformMd5(text.data(), units * 2);
        EXPECT_EQ(Narrow(DigestOfUnits(text.data(), units)), expected) << units;

        const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
        const size_t split = units ? random() % (units * 2) : 0;
        Md5 md5;
        md5.Update(bytes, split);
        md5.Update(bytes + split, units * 2 - split);
        EXPECT_EQ(Hex(md5.Final()), expected) << units << " split at " << split;
    }
    std::vector<char16_t> mebibyte(512 * 1024);
    for (auto& c : mebibyte) c = char16_t(random());
    EXPECT_EQ(Narrow(DigestOfUnits(mebibyte.data(), mebibyte.size())),
              PlatformMd5(mebibyte.data(), mebibyte.size() * 2));
}

}  // namespace
