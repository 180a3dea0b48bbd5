#include "channel/ResultRecord.h"

#include <algorithm>
#include <cstring>

#include "channel/DigestPacking.h"

namespace {

void PutVerdict(ResultRecord& record, UrlVerdict verdict) {
    for (int i = 0; i < 4; ++i) record.verdict[i] = uint8_t(verdict >> (8 * i));
}

UrlVerdict VerdictAt(const uint8_t* bytes) {
    return UrlVerdict(bytes[0]) | UrlVerdict(bytes[1]) << 8 | UrlVerdict(bytes[2]) << 16 |
           UrlVerdict(bytes[3]) << 24;
}

DigestKey KeyAt(const uint8_t* bytes) {
    DigestKey key;
    std::memcpy(key.data(), bytes, key.size());
    return key;
}

}  // namespace

ResultRecord MakeResultRecord(const DigestKey& key, UrlVerdict verdict) {
    ResultRecord record;
    std::memcpy(record.digest, key.data(), sizeof(record.digest));
    PutVerdict(record, verdict);
    return record;
}

ResultRecord MakeResultRecord(const UrlDigest& digest, UrlVerdict verdict) {
    return MakeResultRecord(ToDigestKey(digest), verdict);
}

UrlVerdict RecordVerdict(const ResultRecord& record) { return VerdictAt(record.verdict); }

DigestKey RecordKey(const ResultRecord& record) {
    return KeyAt(reinterpret_cast<const uint8_t*>(record.digest));
}

UrlDigest RecordDigest(const ResultRecord& record) { return ToUrlDigest(RecordKey(record)); }

// ---- VerdictCache --------------------------------------------------------------------------

namespace {

constexpr size_t kFoldAt = 1024;
// Files are written and read this many records at a time (72 KiB).
constexpr size_t kPieceRecords = 2048;

// Eight key bytes as one number, the first byte the most significant (one load and a byte swap:
// every target of this code is little-endian).
uint64_t KeyWord(const uint8_t* bytes) {
    uint64_t word;
    std::memcpy(&word, bytes, sizeof(word));
    return __builtin_bswap64(word);
}

bool KeyLess(const DigestKey& a, const DigestKey& b) { return VerdictCache::KeyOrder()(a, b); }

bool KeyLess(const VerdictCache::PackedKey& a, const VerdictCache::PackedKey& b) {
    const uint64_t a0 = KeyWord(a.data()), b0 = KeyWord(b.data());
    if (a0 != b0) return a0 < b0;
    return KeyWord(a.data() + 8) < KeyWord(b.data() + 8);
}

template <typename Entry>
bool EntryLess(const Entry& a, const Entry& b) {
    return KeyLess(a.key, b.key);
}

}  // namespace

// The keys' byte order, a word at a time: digests mostly differ in their first eight bytes.
bool VerdictCache::KeyOrder::operator()(const DigestKey& a, const DigestKey& b) const {
    for (size_t i = 0; i < a.size(); i += 8) {
        const uint64_t left = KeyWord(a.data() + i);
        const uint64_t right = KeyWord(b.data() + i);
        if (left != right) return left < right;
    }
    return false;
}

bool VerdictCache::Pack(const DigestKey& key, PackedKey& packed) {
    return PackDigest(key.data(), packed.data());
}

DigestKey VerdictCache::Unpack(const PackedKey& packed) {
    DigestKey key;
    UnpackDigest(packed.data(), key.data());
    return key;
}

namespace {

// The entry of `key` in a sorted array, or null.
template <typename Entries, typename Key>
auto FindIn(Entries& entries, const Key& key) -> decltype(&entries[0].verdict) {
    const auto it = std::lower_bound(entries.begin(), entries.end(), key,
                                     [](const auto& e, const Key& k) { return KeyLess(e.key, k); });
    return it != entries.end() && it->key == key ? &it->verdict : nullptr;
}

// The same among packed entries, whose keys are digests and so spread evenly over their range:
// the place is first guessed from the key's value, and only the stretch around the guess is
// searched by halves. Should the keys lie otherwise (anyone may deliver any digest), the stretch
// is widened until it holds the key's place, a few probes more than a plain search.
template <typename Entries>
auto FindPackedIn(Entries& entries, const VerdictCache::PackedKey& key)
    -> decltype(&entries[0].verdict) {
    constexpr size_t kFewEntries = 64;
    const size_t count = entries.size();
    if (count <= kFewEntries) return FindIn(entries, key);
    const uint64_t first = KeyWord(entries.front().key.data());
    const uint64_t last = KeyWord(entries.back().key.data());
    const uint64_t wanted = KeyWord(key.data());
    if (wanted < first || wanted > last) return nullptr;
    const double share = last > first ? double(wanted - first) / double(last - first) : 0.5;
    const size_t guess = std::min(count - 1, size_t(share * double(count - 1)));
    // A place in an even spread strays by about the square root of the count from its guess.
    size_t reach = kFewEntries;
    size_t low = 0;
    size_t high = count;
    for (;;) {
        low = guess > reach ? guess - reach : 0;
        high = std::min(count, guess + reach);
        const bool lowBelow = low == 0 || KeyLess(entries[low - 1].key, key);
        const bool highAbove = high == count || !KeyLess(entries[high - 1].key, key);
        if (lowBelow && highAbove) break;
        reach *= 4;
    }
    const auto begin = entries.begin() + std::ptrdiff_t(low);
    const auto end = entries.begin() + std::ptrdiff_t(high);
    const auto it = std::lower_bound(
        begin, end, key, [](const auto& e, const auto& k) { return KeyLess(e.key, k); });
    return it != end && it->key == key ? &it->verdict : nullptr;
}

}  // namespace

const UrlVerdict* VerdictCache::Find(const DigestKey& key) const {
    const auto recent = m_recent.find(key);
    if (recent != m_recent.end()) return &recent->second;
    PackedKey packed;
    return Pack(key, packed) ? FindPackedIn(m_packed, packed) : FindIn(m_whole, key);
}

const UrlVerdict* VerdictCache::FindDigest(const PackedKey& digest) const {
    if (!m_recent.empty()) {
        const auto recent = m_recent.find(Unpack(digest));
        if (recent != m_recent.end()) return &recent->second;
    }
    return FindPackedIn(m_packed, digest);
}

void VerdictCache::Assign(const DigestKey& key, UrlVerdict verdict) {
    PackedKey packed;
    UrlVerdict* held = Pack(key, packed) ? FindPackedIn(m_packed, packed) : FindIn(m_whole, key);
    if (held) {
        *held = verdict;
        return;
    }
    m_recent[key] = verdict;
    if (m_recent.size() >= kFoldAt) Fold();
}

// Merges `incoming` (ascending, unique keys) into `into`; of equal keys the incoming one wins.
template <typename Entry>
void VerdictCache::MergeSorted(Entries<Entry>& into, Entries<Entry>& incoming) {
    if (incoming.empty()) return;
    if (into.empty()) {
        into.swap(incoming);
        return;
    }
    if (EntryLess(into.back(), incoming.front())) {
        into.insert(into.end(), incoming.begin(), incoming.end());
        return;
    }
    Entries<Entry> merged;
    merged.reserve(into.size() + incoming.size());
    auto in = incoming.begin();
    for (const Entry& e : into) {
        for (; in != incoming.end() && EntryLess(*in, e); ++in) merged.push_back(*in);
        if (in != incoming.end() && in->key == e.key) {
            merged.push_back(*in++);  // the delivery wins
        } else {
            merged.push_back(e);
        }
    }
    merged.insert(merged.end(), in, incoming.end());
    into.swap(merged);
}

void VerdictCache::Fold() {
    if (m_recent.empty()) return;
    Entries<PackedEntry> packed;
    Entries<WholeEntry> whole;
    packed.reserve(m_recent.size());
    for (const auto& [key, verdict] : m_recent) {
        PackedEntry entry;
        entry.verdict = verdict;
        if (Pack(key, entry.key)) {
            packed.push_back(entry);
        } else {
            whole.push_back(WholeEntry{key, verdict});
        }
    }
    m_recent.clear();
    MergeSorted(m_packed, packed);
    MergeSorted(m_whole, whole);
}

namespace {

// Puts the entries in ascending order of their keys and keeps, of equal keys, the last.
template <typename Entries>
void SortKeepingTheLast(Entries& entries) {
    bool ascending = true;
    for (size_t i = 1; i < entries.size() && ascending; ++i)
        ascending = EntryLess(entries[i - 1], entries[i]);
    if (ascending) return;
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return EntryLess(a, b); });
    size_t kept = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (kept && entries[kept - 1].key == entries[i].key) {
            entries[kept - 1] = entries[i];
        } else {
            entries[kept++] = entries[i];
        }
    }
    entries.resize(kept);
}

}  // namespace

void VerdictCache::Split(const uint8_t* data, size_t count, Entries<PackedEntry>& packed,
                         Entries<WholeEntry>& whole) const {
    size_t packedCount = packed.size();
    packed.resize(packedCount + count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* record = data + i * sizeof(ResultRecord);
        PackedEntry& entry = packed[packedCount];
        entry.verdict = VerdictAt(record + 32);
        if (PackDigest(record, entry.key.data())) {
            ++packedCount;
        } else {
            whole.push_back(WholeEntry{KeyAt(record), entry.verdict});
        }
    }
    packed.resize(packedCount);
}

void VerdictCache::MergeSplit(Entries<PackedEntry>& packed, Entries<WholeEntry>& whole) {
    SortKeepingTheLast(packed);
    SortKeepingTheLast(whole);
    Fold();  // the delivery wins over the waiting verdicts too
    MergeSorted(m_packed, packed);
    MergeSorted(m_whole, whole);
}

size_t VerdictCache::MergeRecords(const uint8_t* data, size_t size) {
    const size_t count = size / sizeof(ResultRecord);
    if (count < kFoldAt) {
        // A few verdicts (a push is one) wait among the recent ones.
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* record = data + i * sizeof(ResultRecord);
            Assign(KeyAt(record), VerdictAt(record + 32));
        }
        return count;
    }
    Entries<PackedEntry> packed;
    Entries<WholeEntry> whole;
    Split(data, count, packed, whole);
    MergeSplit(packed, whole);
    return count;
}

size_t VerdictCache::MergeRecordStream(const std::function<size_t(uint8_t*, size_t)>& read,
                                       size_t sizeHint) {
    // A piece at a time, each split into the entries at once: the bytes are never held whole.
    // The entries grow past the hint should the stream hold more than it said.
    Entries<PackedEntry> packed;
    Entries<WholeEntry> whole;
    packed.reserve(sizeHint / sizeof(ResultRecord));
    Entries<uint8_t> piece(kPieceRecords * sizeof(ResultRecord));
    size_t filled = 0;
    size_t count = 0;
    for (size_t got = 1; got;) {
        got = read(piece.data() + filled, piece.size() - filled);
        filled += got;
        const size_t records = filled / sizeof(ResultRecord);
        Split(piece.data(), records, packed, whole);
        count += records;
        // A record cut by the piece's end waits for the rest; one cut by the stream's end is
        // dropped.
        const size_t used = records * sizeof(ResultRecord);
        std::memmove(piece.data(), piece.data() + used, filled - used);
        filled -= used;
    }
    MergeSplit(packed, whole);
    return count;
}

template <typename Visit>
void VerdictCache::ForEachInOrder(Visit&& visit) const {
    auto packed = m_packed.begin();
    auto whole = m_whole.begin();
    auto recent = m_recent.begin();
    DigestKey packedKey = {};
    if (packed != m_packed.end()) packedKey = Unpack(packed->key);
    for (;;) {
        const bool hasPacked = packed != m_packed.end();
        const bool hasWhole = whole != m_whole.end();
        const bool hasRecent = recent != m_recent.end();
        if (!hasPacked && !hasWhole && !hasRecent) return;
        // The smallest of the three heads (keys are unique across them).
        int pick = hasPacked ? 0 : hasWhole ? 1 : 2;
        const DigestKey* least = pick == 0 ? &packedKey : pick == 1 ? &whole->key : &recent->first;
        if (hasWhole && pick != 1 && KeyLess(whole->key, *least)) {
            pick = 1;
            least = &whole->key;
        }
        if (hasRecent && pick != 2 && KeyLess(recent->first, *least)) pick = 2;
        if (pick == 0) {
            visit(packedKey, packed->verdict);
            if (++packed != m_packed.end()) packedKey = Unpack(packed->key);
        } else if (pick == 1) {
            visit(whole->key, whole->verdict);
            ++whole;
        } else {
            visit(recent->first, recent->second);
            ++recent;
        }
    }
}

void VerdictCache::SerializeInPieces(
    const std::function<void(const uint8_t*, size_t)>& write) const {
    Entries<uint8_t> piece(std::min(Size(), kPieceRecords) * sizeof(ResultRecord));
    size_t filled = 0;
    ForEachInOrder([&](const DigestKey& key, UrlVerdict verdict) {
        uint8_t* out = piece.data() + filled;
        std::memcpy(out, key.data(), key.size());
        for (int i = 0; i < 4; ++i) out[32 + i] = uint8_t(verdict >> (8 * i));
        filled += sizeof(ResultRecord);
        if (filled == piece.size()) {
            write(piece.data(), filled);
            filled = 0;
        }
    });
    if (filled) write(piece.data(), filled);
}

std::vector<uint8_t> VerdictCache::Serialize() const {
    std::vector<uint8_t> bytes;
    bytes.reserve(Size() * sizeof(ResultRecord));
    SerializeInPieces([&bytes](const uint8_t* data, size_t size) {
        bytes.insert(bytes.end(), data, data + size);
    });
    return bytes;
}

void VerdictCache::Clear() {
    m_packed.clear();
    m_whole.clear();
    m_recent.clear();
}

VerdictMap VerdictCache::ToMap() const {
    VerdictMap map;
    ForEachInOrder([&map](const DigestKey& key, UrlVerdict verdict) {
        map.emplace_hint(map.end(), key, verdict);
    });
    return map;
}
