// The verdict cache and the 36-byte ResultRecord that carries its entries between processes:
// 32 digest characters, one byte each, then the verdict, little-endian. Plain C++: no platform
// headers, so that the codec can be built and exercised anywhere.
#pragma once

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
// or overwritten. It lives in a sorted array, which is also the cache file's layout, so that a
// whole cache passes between peers at the cost of copying it; single verdicts wait in a small
// ordered map until there are enough of them to fold into the array in one pass.
class VerdictCache {
  public:
    // The order of the keys' bytes, as std::less would give it, only faster.
    struct KeyOrder {
        bool operator()(const DigestKey& a, const DigestKey& b) const;
    };

    const UrlVerdict* Find(const DigestKey& key) const;
    // Inserts or overwrites.
    void Assign(const DigestKey& key, UrlVerdict verdict);
    // Merges every full record of `data`, later records winning over earlier ones and over the
    // cache; a trailing partial record is dropped. Returns the number of records.
    size_t MergeRecords(const uint8_t* data, size_t size);
    // The same from a reader that fills a buffer and returns how many bytes it filled (0 at the
    // end); records are read straight into the cache's own storage. `sizeHint`: the bytes to
    // expect.
    size_t MergeRecordStream(const std::function<size_t(uint8_t*, size_t)>& read, size_t sizeHint);
    // Every entry as a record, in ascending key order: the cache file's content.
    std::vector<uint8_t> Serialize() const;
    // Folds the waiting verdicts in; afterwards, where the machine's layout allows, the content
    // lies in memory as one block of records (`ContiguousRecords`), to be written as it is.
    void Compact() { Fold(); }
    // The records as one block, or null when they are not (yet) one.
    const uint8_t* ContiguousRecords(size_t* size) const;

    size_t Size() const { return m_sorted.size() + m_recent.size(); }
    void Clear();
    VerdictMap ToMap() const;
    bool operator==(const VerdictCache& other) const { return ToMap() == other.ToMap(); }

  private:
    struct Entry {
        DigestKey key;
        UrlVerdict verdict;
    };
    static_assert(sizeof(DigestKey) == 32, "the key is the record's 32 digest bytes");
    // Grows without zeroing the new entries: records are read or copied straight over them, and
    // a cache of 100,000 verdicts would otherwise write its 3.6 MB twice.
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
    using Entries = std::vector<Entry, UninitializedAllocator<Entry>>;
    void Fold();
    size_t MergeEntries(Entries& incoming, size_t count);
    template <typename Visit>
    void ForEachInOrder(Visit&& visit) const;

    Entries m_sorted;                                    // ascending, unique keys
    std::map<DigestKey, UrlVerdict, KeyOrder> m_recent;  // keys not in m_sorted
};

ResultRecord MakeResultRecord(const DigestKey& key, UrlVerdict verdict);
ResultRecord MakeResultRecord(const UrlDigest& digest, UrlVerdict verdict);
UrlVerdict RecordVerdict(const ResultRecord& record);
// The record's 32 bytes as the key, unchanged, so that a record passes through any number of
// peers as it came.
DigestKey RecordKey(const ResultRecord& record);
// The same as a wide digest, each byte one character of the same value.
UrlDigest RecordDigest(const ResultRecord& record);
