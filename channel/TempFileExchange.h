// Verdicts handed over in small files in the user's temporary directory: the cache file, with
// which one result window gives its whole cache to another, and the result file, with which the
// main program gives one new verdict. The reader deletes the file after reading it.
#pragma once

#include <windows.h>

#include <string>

#include "channel/ResultRecord.h"

// The largest cache file that is read: 64 MiB, about 1.9 million records, twenty times a cache of
// 100,000 verdicts. A larger one is deleted unread.
constexpr long long kMaxCacheFileBytes = 64ll << 20;

// "qn9m6_<handle as signed 32-bit>.tmp" in the temporary directory.
std::wstring CacheFilePath(WPARAM answeringWindow);
// "w3zd6_<first as unsigned 32-bit>_<second as signed 32-bit>.tmp" in the temporary directory.
std::wstring ResultFilePath(WPARAM first, LPARAM second);

// Writes `cache` to the cache file named after `own` and then, whether or not the file could be
// written, posts the answer to `asker`.
void WriteCacheFile(HWND own, HWND asker, const VerdictCache& cache);
// Merges every full record of the answering window's cache file (none when it is larger than
// kMaxCacheFileBytes), then deletes the file, also when merging failed.
void ReadCacheFile(WPARAM answeringWindow, VerdictCache& into);
// Merges the first record of the result file when it has one, then deletes the file.
void ReadResultFile(WPARAM first, LPARAM second, VerdictCache& into);
