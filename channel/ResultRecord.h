// The verdict cache and the 36-byte ResultRecord that carries its entries between processes:
// 32 digest characters, one byte each, then the verdict, little-endian. Plain C++: no platform
// headers, so that the codec can be built and exercised anywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

#include "channel/UrlDigest.h"
#include "veko.h"

// Keys in ascending order of their UTF-16 code units.
using VerdictMap = std::map<UrlDigest, UrlVerdict>;

ResultRecord MakeResultRecord(const UrlDigest& digest, UrlVerdict verdict);
UrlVerdict RecordVerdict(const ResultRecord& record);
// The record's 32 bytes as the key, each byte one character of the same value, so that a record
// passes through any number of peers unchanged.
UrlDigest RecordDigest(const ResultRecord& record);

// Inserts or overwrites the entry of one 36-byte record.
void MergeRecord(const uint8_t* bytes, VerdictMap& into);
// Merges every full record of `data`; a trailing partial record is dropped. Returns the count.
size_t MergeRecords(const uint8_t* data, size_t size, VerdictMap& into);
// The cache file's content: every entry as a record, in ascending key order.
std::vector<uint8_t> SerializeCache(const VerdictMap& cache);
