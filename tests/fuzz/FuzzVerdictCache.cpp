// The verdict cache against a plain ordered map: any mix of whole-cache merges (sorted or not,
// with repeats, cut anywhere, from memory or read as a stream in pieces of any size) and single
// verdicts gives the same entries, the same lookups and a sorted serialization.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

#include "channel/ResultRecord.h"

namespace {

// Half of the keys are lower-case hexadecimal digests (kept packed), the others any bytes.
DigestKey KeyFrom(uint8_t a, uint8_t b) {
    static const char kHex[] = "0123456789abcdef";
    DigestKey key;
    key.fill(uint8_t('0' + a % 4));
    key[30] = a & 0x80 ? uint8_t(kHex[a % 16]) : a;
    key[31] = a & 0x80 ? uint8_t(kHex[b % 16]) : b;
    return key;
}

// Merges `bytes` as a stream read `piece` bytes at a time, so that records are cut anywhere.
void MergeAsStream(VerdictCache& cache, const std::vector<uint8_t>& bytes, size_t piece) {
    size_t at = 0;
    cache.MergeRecordStream(
        [&](uint8_t* out, size_t room) {
            const size_t n = std::min({room, piece, bytes.size() - at});
            if (n) std::memcpy(out, bytes.data() + at, n);
            at += n;
            return n;
        },
        piece % 2 ? bytes.size() : 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VerdictCache cache;
    std::map<DigestKey, UrlVerdict> model;
    size_t at = 0;
    while (at + 2 <= size) {
        const uint8_t op = data[at++];
        if (op & 1) {  // a single verdict
            const DigestKey key = KeyFrom(data[at], op);
            const UrlVerdict verdict = UrlVerdict(data[at]) * 2654435761u;
            ++at;
            cache.Assign(key, verdict);
            model[key] = verdict;
        } else {  // a batch of records made from the next bytes, many or few
            const size_t records = size_t(data[at++]) * (op & 2 ? 9 : 1);
            std::vector<uint8_t> bytes;
            for (size_t i = 0; i < records && at + 1 < size; ++i, at += 2) {
                const ResultRecord record =
                    MakeResultRecord(KeyFrom(data[at], data[at + 1]), UrlVerdict(i + at));
                const auto* raw = reinterpret_cast<const uint8_t*>(&record);
                bytes.insert(bytes.end(), raw, raw + sizeof(record));
                model[KeyFrom(data[at], data[at + 1])] = UrlVerdict(i + at);
            }
            // Sometimes a trailing partial record, which is dropped.
            if (op & 4) bytes.insert(bytes.end(), 17, uint8_t(op));
            if (op & 16) {
                MergeAsStream(cache, bytes, size_t(op >> 5) * 11 + 1);
            } else {
                cache.MergeRecords(bytes.data(), bytes.size());
            }
        }
        if (op & 8) cache.Compact();
    }
    if (cache.ToMap() != model || cache.Size() != model.size()) std::abort();
    for (const auto& entry : model) {
        const UrlVerdict* found = cache.Find(entry.first);
        if (!found || *found != entry.second) std::abort();
        VerdictCache::PackedKey digest;
        if (VerdictCache::Pack(entry.first, digest)) {
            found = cache.FindDigest(digest);
            if (!found || *found != entry.second) std::abort();
        }
    }
    const std::vector<uint8_t> bytes = cache.Serialize();
    if (bytes.size() != model.size() * 36) std::abort();
    VerdictCache copy;
    copy.MergeRecords(bytes.data(), bytes.size());
    if (copy.ToMap() != model) std::abort();
    VerdictCache streamed;
    MergeAsStream(streamed, bytes, size % 97 + 1);
    if (streamed.ToMap() != model) std::abort();
    return 0;
}
