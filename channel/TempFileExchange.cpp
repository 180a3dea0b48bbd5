#include "channel/TempFileExchange.h"

#include <cstdio>
#include <vector>

#include "channel/ResultMessages.h"
#include "toolkit/Scoped.h"

namespace {

std::wstring TempFile(const wchar_t* name) {
    wchar_t directory[MAX_PATH] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH, directory);
    if (length == 0 || length >= MAX_PATH) return std::wstring();
    return std::wstring(directory) + name;
}

HANDLE OpenForReading(const std::wstring& path) {
    return ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Reads whole records in large pieces; stops at the first piece that comes back short.
void MergeRecordsOf(HANDLE file, VerdictMap& into) {
    constexpr DWORD kPiece = sizeof(ResultRecord) * 1024;
    std::vector<uint8_t> buffer(kPiece);
    DWORD got = 0;
    while (::ReadFile(file, buffer.data(), kPiece, &got, nullptr) && got > 0) {
        MergeRecords(buffer.data(), got, into);
        if (got < kPiece) break;
    }
}

}  // namespace

std::wstring CacheFilePath(WPARAM answeringWindow) {
    wchar_t name[64] = {};
    const long long number = static_cast<int32_t>(answeringWindow);
    std::swprintf(name, 64, veko::kCacheFilePattern, number);
    return TempFile(name);
}

std::wstring ResultFilePath(WPARAM first, LPARAM second) {
    wchar_t name[64] = {};
    const long long number = static_cast<uint32_t>(first);
    std::swprintf(name, 64, veko::kResultFilePattern, number, static_cast<int>(second));
    return TempFile(name);
}

void WriteCacheFile(HWND own, HWND asker, const VerdictMap& cache) {
    const std::wstring path = CacheFilePath(reinterpret_cast<WPARAM>(own));
    if (!path.empty()) {
        ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.IsValid()) {
            const std::vector<uint8_t> bytes = SerializeCache(cache);
            DWORD written = 0;
            if (!bytes.empty()) {
                ::WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr);
            }
        }
    }
    ::PostMessageW(asker, ThisMyScanResultMessage(), reinterpret_cast<WPARAM>(own), 0);
}

void ReadCacheFile(WPARAM answeringWindow, VerdictMap& into) {
    const std::wstring path = CacheFilePath(answeringWindow);
    if (path.empty()) return;
    {
        ScopedHandle file(OpenForReading(path));
        if (file.IsValid()) MergeRecordsOf(file.Get(), into);
    }
    ::DeleteFileW(path.c_str());
}

void ReadResultFile(WPARAM first, LPARAM second, VerdictMap& into) {
    const std::wstring path = ResultFilePath(first, second);
    if (path.empty()) return;
    {
        ScopedHandle file(OpenForReading(path));
        uint8_t record[sizeof(ResultRecord)];
        DWORD got = 0;
        if (file.IsValid() && ::ReadFile(file.Get(), record, sizeof(record), &got, nullptr) &&
            got == sizeof(record)) {
            MergeRecord(record, into);
        }
    }
    ::DeleteFileW(path.c_str());
}
