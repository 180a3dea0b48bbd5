#include "channel/ResultRecord.h"

#include <cstring>

ResultRecord MakeResultRecord(const UrlDigest& digest, UrlVerdict verdict) {
    ResultRecord record;
    std::memset(&record, 0, sizeof(record));
    for (size_t i = 0; i < sizeof(record.digest) && i < digest.size(); ++i) {
        record.digest[i] = char(uint8_t(digest[i]));
    }
    for (int i = 0; i < 4; ++i) record.verdict[i] = uint8_t(verdict >> (8 * i));
    return record;
}

UrlVerdict RecordVerdict(const ResultRecord& record) {
    UrlVerdict verdict = 0;
    for (int i = 3; i >= 0; --i) verdict = verdict << 8 | record.verdict[i];
    return verdict;
}

UrlDigest RecordDigest(const ResultRecord& record) {
    UrlDigest digest(sizeof(record.digest), u'\0');
    for (size_t i = 0; i < sizeof(record.digest); ++i) {
        digest[i] = char16_t(uint8_t(record.digest[i]));
    }
    return digest;
}

void MergeRecord(const uint8_t* bytes, VerdictMap& into) {
    ResultRecord record;
    std::memcpy(&record, bytes, sizeof(record));
    into[RecordDigest(record)] = RecordVerdict(record);
}

size_t MergeRecords(const uint8_t* data, size_t size, VerdictMap& into) {
    const size_t count = size / sizeof(ResultRecord);
    for (size_t i = 0; i < count; ++i) MergeRecord(data + i * sizeof(ResultRecord), into);
    return count;
}

std::vector<uint8_t> SerializeCache(const VerdictMap& cache) {
    std::vector<uint8_t> bytes(cache.size() * sizeof(ResultRecord));
    uint8_t* out = bytes.data();
    for (const auto& entry : cache) {
        const ResultRecord record = MakeResultRecord(entry.first, entry.second);
        std::memcpy(out, &record, sizeof(record));
        out += sizeof(record);
    }
    return bytes;
}
