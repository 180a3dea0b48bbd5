#include "channel/ResultRecord.h"

#include <algorithm>
#include <cstring>

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

// On a little-endian machine an entry's bytes are exactly a record's.
constexpr bool kEntryIsRecord =
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    true;
#else
    false;
#endif

// Eight key bytes as one number, the first byte the most significant.
uint64_t KeyWord(const uint8_t* bytes) {
    uint64_t word = 0;
    for (int i = 0; i < 8; ++i) word = word << 8 | bytes[i];
    return word;
}

bool KeyLess(const DigestKey& a, const DigestKey& b) { return VerdictCache::KeyOrder()(a, b); }

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

const UrlVerdict* VerdictCache::Find(const DigestKey& key) const {
    const auto recent = m_recent.find(key);
    if (recent != m_recent.end()) return &recent->second;
    const auto it =
        std::lower_bound(m_sorted.begin(), m_sorted.end(), key,
                         [](const Entry& e, const DigestKey& k) { return KeyLess(e.key, k); });
    return it != m_sorted.end() && it->key == key ? &it->verdict : nullptr;
}

void VerdictCache::Assign(const DigestKey& key, UrlVerdict verdict) {
    const auto it =
        std::lower_bound(m_sorted.begin(), m_sorted.end(), key,
                         [](const Entry& e, const DigestKey& k) { return KeyLess(e.key, k); });
    if (it != m_sorted.end() && it->key == key) {
        it->verdict = verdict;
        return;
    }
    m_recent[key] = verdict;
    if (m_recent.size() >= kFoldAt) Fold();
}

void VerdictCache::Fold() {
    if (m_recent.empty()) return;
    Entries merged;
    merged.reserve(m_sorted.size() + m_recent.size());
    auto recent = m_recent.begin();
    for (const Entry& e : m_sorted) {
        for (; recent != m_recent.end() && KeyLess(recent->first, e.key); ++recent)
            merged.push_back(Entry{recent->first, recent->second});
        merged.push_back(e);
    }
    for (; recent != m_recent.end(); ++recent)
        merged.push_back(Entry{recent->first, recent->second});
    m_sorted.swap(merged);
    m_recent.clear();
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
    Entries incoming(count);
    if (kEntryIsRecord && sizeof(Entry) == sizeof(ResultRecord)) {
        std::memcpy(incoming.data(), data, count * sizeof(Entry));
    } else {
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* record = data + i * sizeof(ResultRecord);
            incoming[i] = Entry{KeyAt(record), VerdictAt(record + 32)};
        }
    }
    return MergeEntries(incoming, count);
}

size_t VerdictCache::MergeRecordStream(const std::function<size_t(uint8_t*, size_t)>& read,
                                       size_t sizeHint) {
    if (!kEntryIsRecord || sizeof(Entry) != sizeof(ResultRecord)) {
        // Like below, through a byte buffer that grows should the file hold more than it said.
        std::vector<uint8_t> bytes(sizeHint + 1);
        size_t filled = 0;
        for (size_t got = 1; got;) {
            if (filled == bytes.size()) bytes.resize(bytes.size() * 2);
            got = read(bytes.data() + filled, bytes.size() - filled);
            filled += got;
        }
        return MergeRecords(bytes.data(), filled);
    }
    // Read straight into the entries; grow should the file hold more than it said.
    Entries incoming(sizeHint / sizeof(Entry) + 1);
    size_t filled = 0;
    for (;;) {
        auto* bytes = reinterpret_cast<uint8_t*>(incoming.data());
        const size_t capacity = incoming.size() * sizeof(Entry);
        const size_t got = filled < capacity ? read(bytes + filled, capacity - filled) : 0;
        filled += got;
        if (filled < capacity) {
            if (got == 0) break;
            continue;
        }
        incoming.resize(incoming.size() * 2);
    }
    const size_t count = filled / sizeof(Entry);
    if (count < kFoldAt) {
        for (size_t i = 0; i < count; ++i) Assign(incoming[i].key, incoming[i].verdict);
        return count;
    }
    return MergeEntries(incoming, count);
}

size_t VerdictCache::MergeEntries(Entries& incoming, size_t count) {
    incoming.resize(count);
    bool ascending = true;
    for (size_t i = 1; i < count && ascending; ++i) {
        ascending = KeyLess(incoming[i - 1].key, incoming[i].key);
    }
    if (!ascending) {
        // Stable, so that of equal keys the later record stays last; then keep only that one.
        std::stable_sort(incoming.begin(), incoming.end(),
                         [](const Entry& a, const Entry& b) { return KeyLess(a.key, b.key); });
        Entries unique;
        unique.reserve(incoming.size());
        for (const Entry& e : incoming) {
            if (!unique.empty() && unique.back().key == e.key) {
                unique.back() = e;
            } else {
                unique.push_back(e);
            }
        }
        incoming.swap(unique);
    }
    Fold();
    if (m_sorted.empty()) {
        m_sorted.swap(incoming);
    } else if (KeyLess(m_sorted.back().key, incoming.front().key)) {
        m_sorted.insert(m_sorted.end(), incoming.begin(), incoming.end());
    } else {
        Entries merged;
        merged.reserve(m_sorted.size() + incoming.size());
        auto in = incoming.begin();
        for (const Entry& e : m_sorted) {
            for (; in != incoming.end() && KeyLess(in->key, e.key); ++in) merged.push_back(*in);
            if (in != incoming.end() && in->key == e.key) {
                merged.push_back(*in++);  // the delivery wins
            } else {
                merged.push_back(e);
            }
        }
        merged.insert(merged.end(), in, incoming.end());
        m_sorted.swap(merged);
    }
    return count;
}

template <typename Visit>
void VerdictCache::ForEachInOrder(Visit&& visit) const {
    auto recent = m_recent.begin();
    for (const Entry& e : m_sorted) {
        for (; recent != m_recent.end() && KeyLess(recent->first, e.key); ++recent)
            visit(recent->first, recent->second);
        visit(e.key, e.verdict);
    }
    for (; recent != m_recent.end(); ++recent) visit(recent->first, recent->second);
}

const uint8_t* VerdictCache::ContiguousRecords(size_t* size) const {
    if (!kEntryIsRecord || sizeof(Entry) != sizeof(ResultRecord) || !m_recent.empty()) {
        *size = 0;
        return nullptr;
    }
    *size = m_sorted.size() * sizeof(Entry);
    return reinterpret_cast<const uint8_t*>(m_sorted.data());
}

std::vector<uint8_t> VerdictCache::Serialize() const {
    size_t size = 0;
    if (const uint8_t* bytes = ContiguousRecords(&size)) {
        return std::vector<uint8_t>(bytes, bytes + size);
    }
    std::vector<uint8_t> bytes(Size() * sizeof(ResultRecord));
    uint8_t* out = bytes.data();
    ForEachInOrder([&out](const DigestKey& key, UrlVerdict verdict) {
        std::memcpy(out, key.data(), key.size());
        for (int i = 0; i < 4; ++i) out[32 + i] = uint8_t(verdict >> (8 * i));
        out += sizeof(ResultRecord);
    });
    return bytes;
}

void VerdictCache::Clear() {
    m_sorted.clear();
    m_recent.clear();
}

VerdictMap VerdictCache::ToMap() const {
    VerdictMap map;
    ForEachInOrder([&map](const DigestKey& key, UrlVerdict verdict) {
        map.emplace_hint(map.end(), key, verdict);
    });
    return map;
}
