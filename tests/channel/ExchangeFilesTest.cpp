// The record codec and the files of the exchange, read and written in this process.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "channel/DigestPacking.h"
#include "channel/ResultMessages.h"
#include "channel/TempFileExchange.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"

namespace {

DigestKey Key(char fill) {
    DigestKey key;
    key.fill(uint8_t(fill));
    return key;
}

std::vector<uint8_t> Records(std::initializer_list<std::pair<char, UrlVerdict>> entries) {
    std::vector<uint8_t> bytes;
    for (const auto& e : entries) {
        const ResultRecord record = MakeResultRecord(Key(e.first), e.second);
        const auto* raw = reinterpret_cast<const uint8_t*>(&record);
        bytes.insert(bytes.end(), raw, raw + sizeof(record));
    }
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    if (!bytes.empty()) ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::vector<uint8_t> ReadFileBytes(const std::wstring& path) {
    std::vector<uint8_t> bytes(1 << 16);
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    DWORD got = 0;
    ::ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr);
    ::CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(ResultRecordCodec, LayoutAndRoundTrip) {
    const UrlDigest digest = u"0123456789abcdef0123456789abcdef";
    const ResultRecord record = MakeResultRecord(digest, 0x4A0B0C0Du);
    ASSERT_EQ(sizeof(record), 36u);
    const auto* raw = reinterpret_cast<const uint8_t*>(&record);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(raw), 32),
              "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(std::vector<uint8_t>(raw + 32, raw + 36),
              (std::vector<uint8_t>{0x0D, 0x0C, 0x0B, 0x4A}));
    EXPECT_EQ(RecordDigest(record), digest);
    EXPECT_EQ(RecordVerdict(record), 0x4A0B0C0Du);

    // Bytes that are no hexadecimal digits pass through a peer unchanged as well.
    ResultRecord odd;
    for (int i = 0; i < 32; ++i) odd.digest[i] = char(0x80 + i * 4);
    std::memset(odd.verdict, 0xFF, 4);
    VerdictCache cache;
    cache.MergeRecords(reinterpret_cast<const uint8_t*>(&odd), 36);
    const std::vector<uint8_t> back = cache.Serialize();
    ASSERT_EQ(back.size(), 36u);
    EXPECT_EQ(std::memcmp(back.data(), &odd, 36), 0);
}

// Every byte value in every place of a digest: only the lower-case hexadecimal digits pack, and a
// packed key unpacks to the same characters.
// Both ways of packing (a word at a time, sixteen bytes at a time) and the one the cache takes,
// with every byte value in every place of a digest.
TEST(ResultRecordCodec, OnlyLowerCaseDigitsPackAndTheyUnpackAsTheyCame) {
    struct Codec {
        const char* name;
        bool (*pack)(const uint8_t*, uint8_t*);
        void (*unpack)(const uint8_t*, uint8_t*);
    };
    std::vector<Codec> codecs = {{"words", digest_packing::PackWords, digest_packing::UnpackWords},
                                 {"cache", PackDigest, UnpackDigest}};
    if (digest_packing::HasVectors())
        codecs.push_back({"vectors", digest_packing::PackVectors, digest_packing::UnpackVectors});
    const DigestKey digest = ToDigestKey(UrlDigest(u"0123456789abcdef0f1e2d3c4b5a6978"));
    const std::string digits = "0123456789abcdef";
    for (const Codec& codec : codecs) {
        VerdictCache::PackedKey packed;
        ASSERT_TRUE(codec.pack(digest.data(), packed.data())) << codec.name;
        EXPECT_EQ(packed[0], 0x01) << codec.name;
        EXPECT_EQ(packed[7], 0xef) << codec.name;
        EXPECT_EQ(packed[15], 0x78) << codec.name;
        int mismatches = 0;
        for (size_t place = 0; place < digest.size(); ++place) {
            for (int value = 0; value < 256; ++value) {
                DigestKey key = digest;
                key[place] = uint8_t(value);
                const bool isDigit = digits.find(char(value)) != std::string::npos && value != 0;
                DigestKey back = {};
                VerdictCache::PackedKey byWords;
                const bool packs = codec.pack(key.data(), packed.data());
                if (packs) codec.unpack(packed.data(), back.data());
                digest_packing::PackWords(key.data(), byWords.data());
                if (packs != isDigit || (packs && (back != key || packed != byWords))) ++mismatches;
            }
        }
        EXPECT_EQ(mismatches, 0) << codec.name;
    }
    VerdictCache::PackedKey packed;
    ASSERT_TRUE(VerdictCache::Pack(digest, packed));
    EXPECT_EQ(VerdictCache::Unpack(packed), digest);
}

TEST(ResultRecordCodec, MergeKeepsLaterDeliveriesAndCacheIsOrdered) {
    VerdictCache cache;
    const auto bytes = Records({{'c', 3}, {'a', 1}, {'c', 30}, {'b', 2}});
    EXPECT_EQ(cache.MergeRecords(bytes.data(), bytes.size() - 1), 3u) << "partial record dropped";
    EXPECT_EQ(cache.Size(), 2u);
    EXPECT_EQ(*cache.Find(Key('c')), 30u) << "the later delivery wins";
    cache.MergeRecords(bytes.data(), 36);
    EXPECT_EQ(*cache.Find(Key('c')), 3u);
    cache.MergeRecords(bytes.data(), bytes.size());
    EXPECT_EQ(cache.Serialize(), Records({{'a', 1}, {'b', 2}, {'c', 30}}));
    EXPECT_EQ(cache.Find(Key('z')), nullptr);
    EXPECT_TRUE(VerdictCache().Serialize().empty());
}

// Merging ascending, descending and shuffled runs, with repeats, into a cache that already holds
// entries between them (folded, and single ones still waiting) gives what assigning one by one
// gives.
// Keys of every kind, interleaved in their order: digests as the library writes them (lower-case
// hexadecimal, kept packed), upper-case ones and any bytes (kept whole); with many repeats.
DigestKey MixedKey(std::mt19937& random) {
    static const char kLower[] = "0123456789abcdef";
    static const char kUpper[] = "0123456789ABCDEF";
    DigestKey key;
    key.fill(uint8_t(kLower[random() % 3]));
    key[30] = uint8_t(kLower[random() % 16]);
    switch (random() % 4) {
        case 0:
            key[31] = uint8_t(kUpper[10 + random() % 6]);
            break;
        case 1:
            key[31] = uint8_t(random());
            break;
        default:
            key[31] = uint8_t(kLower[random() % 16]);
            break;
    }
    return key;
}

TEST(ResultRecordCodec, MergeAgreesWithAssigningOneByOne) {
    std::mt19937 random(36);
    for (int round = 0; round < 200; ++round) {
        VerdictCache merged;
        VerdictMap expected;
        const int singles = round % 2 ? 20 : 1500;  // beyond the fold, or not
        for (int i = 0; i < singles; ++i) {
            const DigestKey key = round % 4 < 2 ? MixedKey(random) : [&] {
                DigestKey any;
                any.fill(uint8_t('a' + random() % 26));
                any[30] = uint8_t(random());
                any[31] = uint8_t(random());
                return any;
            }();
            merged.Assign(key, UrlVerdict(i));
            expected[key] = UrlVerdict(i);
        }
        std::vector<std::pair<DigestKey, UrlVerdict>> records;
        const int batch = round % 5 ? 50 : 3000;  // a whole cache, or a few
        for (int i = 0; i < batch; ++i) {
            DigestKey key = MixedKey(random);
            if (round % 4 >= 2) {
                key.fill(uint8_t('a' + random() % 26));
                key[31] = uint8_t(random() % 4 ? random() : 0x80);
            }
            records.emplace_back(key, UrlVerdict(random()));
        }
        if (round % 3 == 0) std::sort(records.begin(), records.end());
        if (round % 3 == 1) std::sort(records.rbegin(), records.rend());
        std::vector<uint8_t> bytes;
        for (const auto& r : records) {
            const ResultRecord record = MakeResultRecord(r.first, r.second);
            const auto* raw = reinterpret_cast<const uint8_t*>(&record);
            bytes.insert(bytes.end(), raw, raw + sizeof(record));
            expected[r.first] = r.second;
        }
        if ((round / 2) % 2) {
            merged.MergeRecords(bytes.data(), bytes.size());
        } else {
            // As a file is read: in pieces of any size, the stream ending inside a record, its
            // size hint short or right.
            bytes.insert(bytes.end(), 17, uint8_t('x'));
            size_t at = 0;
            const size_t hint = round % 3 ? bytes.size() : 0;
            merged.MergeRecordStream(
                [&](uint8_t* out, size_t capacity) {
                    const size_t n =
                        std::min({capacity, bytes.size() - at, size_t(1 + random() % 5000)});
                    std::memcpy(out, bytes.data() + at, n);
                    at += n;
                    return n;
                },
                hint);
        }
        ASSERT_EQ(merged.ToMap(), expected) << "round " << round;
        ASSERT_EQ(merged.Size(), expected.size());
        for (const auto& e : expected) ASSERT_EQ(*merged.Find(e.first), e.second);
        // The cache file holds every record as it came, in ascending order of its bytes.
        std::vector<uint8_t> file;
        for (const auto& e : expected) {
            const ResultRecord record = MakeResultRecord(e.first, e.second);
            const auto* raw = reinterpret_cast<const uint8_t*>(&record);
            file.insert(file.end(), raw, raw + sizeof(record));
        }
        ASSERT_EQ(merged.Serialize(), file) << "round " << round;
    }
}

// Digests are looked up by where their value puts them: however the digests in the cache are
// spread, every one is found, by its characters and by its bytes, and no other.
TEST(ResultRecordCodec, EveryDigestIsFoundAndNoOtherHoweverTheyAreSpread) {
    std::mt19937_64 random(16);
    using Digest = VerdictCache::PackedKey;
    const auto put = [](Digest& digest, int at, uint64_t word) {
        for (int i = 0; i < 8; ++i) digest[size_t(at + i)] = uint8_t(word >> (56 - 8 * i));
    };
    const std::function<uint64_t()> spreads[] = {
        [&] { return random(); },                              // evenly, as digests are
        [&] { return 0x5a5a000000000000ull | random() % 7; },  // all in one narrow cluster
        [&] { return random() >> (random() % 64); },           // ever denser towards zero
        [&] { return random() % 2 ? ~0ull - random() % 5 : random() % 5; },  // both ends
    };
    for (const auto& spread : spreads) {
        VerdictCache cache;
        std::set<Digest> present;
        std::vector<uint8_t> bytes;
        for (int i = 0; i < 20000 + 100; ++i) {
            Digest digest;
            put(digest, 0, spread());
            put(digest, 8, random());
            present.insert(digest);
            const DigestKey key = VerdictCache::Unpack(digest);
            if (i < 20000) {
                const ResultRecord record = MakeResultRecord(key, UrlVerdict(key[31]));
                const auto* raw = reinterpret_cast<const uint8_t*>(&record);
                bytes.insert(bytes.end(), raw, raw + sizeof(record));
            } else {
                if (i == 20000) cache.MergeRecords(bytes.data(), bytes.size());
                cache.Assign(key, UrlVerdict(key[31]));  // waiting among the recent ones
            }
        }
        int wrong = 0;
        for (const Digest& digest : present) {
            const UrlVerdict expected = VerdictCache::Unpack(digest)[31];
            const UrlVerdict* byBytes = cache.FindDigest(digest);
            const UrlVerdict* byKey = cache.Find(VerdictCache::Unpack(digest));
            if (!byBytes || *byBytes != expected || !byKey || *byKey != expected) ++wrong;
        }
        for (int i = 0; i < 20000; ++i) {
            Digest digest;
            put(digest, 0, i == 0 ? 0 : i == 1 ? ~0ull : i % 2 ? spread() : random());
            put(digest, 8, i < 2 ? (i ? ~0ull : 0) : random());
            if (present.count(digest)) continue;
            if (cache.FindDigest(digest) || cache.Find(VerdictCache::Unpack(digest))) ++wrong;
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(ExchangeFiles, NamesTakeTheNumbersWithTheirSigns) {
    const std::wstring temp = CurrentTempPath();
    EXPECT_EQ(CacheFilePath(0x00010042), temp + L"qn9m6_65602.tmp");
    EXPECT_EQ(CacheFilePath(0x80001234), temp + L"qn9m6_-2147478988.tmp");
    EXPECT_EQ(ResultFilePath(0xFFFFFFFF, -1), temp + L"w3zd6_4294967295_-1.tmp");
    EXPECT_EQ(ResultFilePath(7, 0x7FFFFFFF), temp + L"w3zd6_7_2147483647.tmp");
}

// A file of the exchange as a test lays it out, and how many records must come of it.
struct FileCase {
    const char* what;
    std::vector<uint8_t> bytes;
    bool present;
    size_t merged;
};

// Result files: the first full record counts, nothing else; the file goes in every case.
TEST(ExchangeFiles, ResultFileMergesItsFirstRecordOnly) {
    const auto one = Records({{'a', 1}});
    const FileCase cases[] = {
        {"missing", {}, false, 0},
        {"empty", {}, true, 0},
        {"35 bytes", std::vector<uint8_t>(one.begin(), one.end() - 1), true, 0},
        {"36 bytes", one, true, 1},
        {"72 bytes", Records({{'a', 1}, {'b', 2}}), true, 1},
    };
    for (const auto& c : cases) {
        const std::wstring path = ResultFilePath(0xFFFFFFFF, -1);
        if (c.present) WriteFileBytes(path, c.bytes);
        VerdictCache cache;
        ReadResultFile(0xFFFFFFFF, -1, cache);
        EXPECT_EQ(cache.Size(), c.merged) << c.what;
        if (c.merged) {
            EXPECT_EQ(*cache.Find(Key('a')), 1u) << c.what;
        }
        EXPECT_FALSE(Exists(path)) << c.what;
    }
}

TEST(ExchangeFiles, CacheFileMergesEveryFullRecord) {
    std::vector<uint8_t> many;
    for (int i = 0; i < 3000; ++i) {  // more than single verdicts: merged as a block
        UrlDigest key(32, u'0');
        for (int d = 0; d < 4; ++d) key[d] = char16_t('a' + (i >> (4 * d) & 15));
        const ResultRecord record = MakeResultRecord(key, UrlVerdict(i));
        const auto* raw = reinterpret_cast<const uint8_t*>(&record);
        many.insert(many.end(), raw, raw + 36);
    }
    const auto three = Records({{'a', 1}, {'b', 2}, {'c', 3}});
    const FileCase cases[] = {
        {"missing", {}, false, 0},
        {"empty", {}, true, 0},
        {"three records", three, true, 3},
        {"three and a partial", std::vector<uint8_t>(three.begin(), three.end() - 16), true, 2},
        {"3000 records", many, true, 3000},
    };
    const WPARAM answering = 0x80001234;  // the high bit set: a negative number in the name
    for (const auto& c : cases) {
        const std::wstring path = CacheFilePath(answering);
        if (c.present) WriteFileBytes(path, c.bytes);
        VerdictCache cache;
        ReadCacheFile(answering, cache);
        EXPECT_EQ(cache.Size(), c.merged) << c.what;
        EXPECT_FALSE(Exists(path)) << c.what;
    }
}

// The answer is posted whether or not the file could be written; the file holds the cache, and
// only the cache where an older, longer file of that name was left behind.
TEST(ExchangeFiles, WriteCacheFileAnswersTheAsker) {
    const HWND asker = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         nullptr, nullptr);
    ASSERT_TRUE(asker);
    VerdictCache cache;
    cache.MergeRecords(Records({{'b', 2}, {'a', 1}}).data(), 72);
    const HWND own = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x80004321));

    enum Before { kNothing, kLongerFile, kDirectory };
    for (Before before : {kNothing, kLongerFile, kDirectory}) {
        const bool blocked = before == kDirectory;
        const std::wstring path = CacheFilePath(reinterpret_cast<WPARAM>(own));
        if (before == kLongerFile) WriteFileBytes(path, Records({{'z', 9}, {'y', 8}, {'x', 7}}));
        if (blocked) ::CreateDirectoryW(path.c_str(), nullptr);  // a directory of that name
        WriteCacheFile(own, asker, cache);
        MSG msg = {};
        EXPECT_TRUE(::PeekMessageW(&msg, asker, ThisMyScanResultMessage(),
                                   ThisMyScanResultMessage(), PM_REMOVE))
            << before;
        EXPECT_EQ(msg.wParam, reinterpret_cast<WPARAM>(own));
        EXPECT_EQ(msg.lParam, 0);
        if (!blocked) {
            EXPECT_EQ(ReadFileBytes(path), Records({{'a', 1}, {'b', 2}})) << before;
        }
        VerdictCache read;
        ReadCacheFile(reinterpret_cast<WPARAM>(own), read);
        EXPECT_EQ(read.ToMap(), blocked ? VerdictMap() : cache.ToMap());
        ::RemoveDirectoryW(path.c_str());
    }
    ::DestroyWindow(asker);
}

}  // namespace
