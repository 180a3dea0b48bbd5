// The verdict cache and the 36-byte ResultRecord that carries its entries between processes:
// 32 digest characters, one byte each, then the verdict, little-endian. Plain C++: no platform
// headers, so that the codec can be built and exercised anywhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "channel/UrlDigest.h"
#include "veko.h"

// Keys in ascending order of their characters (as unsigned bytes, the order of the wide digest).
using VerdictMap = std::map<DigestKey, UrlVerdict>;

// The verdict cache: an ordered map from digest key to verdict whose entries are only inserted
// or overwritten. A key that is a digest as the library and the main program write it, 32
// lower-case hexadecimal characters, is kept as its 16 bytes: the entries of those lie in a
// sorted array of 20 bytes each (the order of the bytes is the order of the characters). Any
// other key (a peer may pass on whatever it was given) is kept whole, in a sorted array of its
// own, and passes on unchanged. Single verdicts wait in a small ordered map until there are
// enough of them to fold into the arrays in one pass.
class VerdictCache {
  public:
    // The order of the keys' bytes, as std::less would give it, only faster.
    struct KeyOrder {
        bool operator()(const DigestKey& a, const DigestKey& b) const;
    };

    const UrlVerdict* Find(const DigestKey& key) const;
    // The same for a digest given as its 16 bytes (as the library computes it): no characters
    // to write and pack again.
    const UrlVerdict* FindDigest(const std::array<uint8_t, 16>& digest) const;
    // Inserts or overwrites.
    void Assign(const DigestKey& key, UrlVerdict verdict);
    // Merges every full record of `data`, later records winning over earlier ones and over the
    // cache; a trailing partial record is dropped. Returns the number of records.
    size_t MergeRecords(const uint8_t* data, size_t size);
    // The same from a reader that fills a buffer and returns how many bytes it filled (0 at the
    // end). `sizeHint`: the bytes to expect.
    size_t MergeRecordStream(const std::function<size_t(uint8_t*, size_t)>& read, size_t sizeHint);
    // Every entry as a record, in ascending key order: the cache file's content.
    std::vector<uint8_t> Serialize() const;
    // The same bytes handed to `write` a piece at a time (whole records, at most 72 KiB), so
    // that a large cache goes to a file without a copy of it all in memory.
    void SerializeInPieces(const std::function<void(const uint8_t*, size_t)>& write) const;
    // Folds the waiting verdicts in.
    void Compact() { Fold(); }

    size_t Size() const { return m_packed.size() + m_whole.size() + m_recent.size(); }
    void Clear();
    VerdictMap ToMap() const;
    bool operator==(const VerdictCache& other) const { return ToMap() == other.ToMap(); }

    // A key of 32 lower-case hexadecimal characters as its 16 bytes; false for any other key.
    using PackedKey = std::array<uint8_t, 16>;
    static bool Pack(const DigestKey& key, PackedKey& packed);
    static DigestKey Unpack(const PackedKey& packed);

  private:
    struct PackedEntry {
        PackedKey key;
        UrlVerdict verdict;
    };
    struct WholeEntry {
        DigestKey key;
        UrlVerdict verdict;
    };
    static_assert(sizeof(PackedEntry) == 20, "a packed verdict takes 20 bytes");
    // Grows without zeroing the new entries: they are written over at once.
    template <typename T>
    struct UninitializedAllocator : std::allocator<T> {
        template <typename U>
        struct rebind {
            using other = UninitializedAllocator<U>;
        };
        UninitializedAllocator() = default;
        template <typename U>
        UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}
        template <typename U>
        void construct(U* p) noexcept {
            ::new (static_cast<void*>(p)) U;
        }
        template <typename U, typename... Args>
        void construct(U* p, Args&&... args) {
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
        }
    };
    template <typename Entry>
    using Entries = std::vector<Entry, UninitializedAllocator<Entry>>;
    using Recent = std::map<DigestKey, UrlVerdict, KeyOrder>;

    void Fold();
    // Splits `count` records into the two kinds of entry, appended to those already there.
    void Split(const uint8_t* data, size_t count, Entries<PackedEntry>& packed,
               Entries<WholeEntry>& whole) const;
    // Merges split entries (in the order of their records) into the cache, the later winning.
    void MergeSplit(Entries<PackedEntry>& packed, Entries<WholeEntry>& whole);
    template <typename Entry>
    static void MergeSorted(Entries<Entry>& into, Entries<Entry>& incoming);
    template <typename Visit>
    void ForEachInOrder(Visit&& visit) const;

    Entries<PackedEntry> m_packed;  // ascending, unique keys
    Entries<WholeEntry> m_whole;    // ascending, unique keys that do not pack
    Recent m_recent;                // keys in neither array
};

ResultRecord MakeResultRecord(const DigestKey& key, UrlVerdict verdict);
ResultRecord MakeResultRecord(const UrlDigest& digest, UrlVerdict verdict);
UrlVerdict RecordVerdict(const ResultRecord& record);
// The record's 32 bytes as the key, unchanged, so that a record passes through any number of
// peers as it came.
DigestKey RecordKey(const ResultRecord& record);
// The same as a wide digest, each byte one character of the same value.
UrlDigest RecordDigest(const ResultRecord& record);
