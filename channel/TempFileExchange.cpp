#include "channel/TempFileExchange.h"

#include <cstdio>
#include <utility>
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

// The last answer's file is normally gone, deleted by its reader. Made new, not truncated: on a
// Linux file system under Wine, a file cut to nothing before it is written is flushed to disk
// when it is deleted, which made the reader's delete cost more than the whole read.
HANDLE CreateAnswerFile(const std::wstring& path) {
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_FILE_EXISTS) return file;
    return ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The reader owns the file once it has been handed over: a read-only one goes as well, or it
// would stay for good and make the writer's next file of that name fail.
void DeleteHandedOverFile(const std::wstring& path) {
    if (::DeleteFileW(path.c_str())) return;
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        !(attributes & FILE_ATTRIBUTE_READONLY))
        return;
    if (::SetFileAttributesW(path.c_str(), attributes & ~DWORD(FILE_ATTRIBUTE_READONLY)))
        ::DeleteFileW(path.c_str());
}

// Merges every full record of the file, read straight into the cache.
void MergeRecordsOf(HANDLE file, VerdictCache& into) {
    LARGE_INTEGER size = {};
    ::GetFileSizeEx(file, &size);
    const auto read = [file](uint8_t* buffer, size_t capacity) -> size_t {
        DWORD got = 0;
        const DWORD want = DWORD(capacity < (1u << 30) ? capacity : (1u << 30));
        return ::ReadFile(file, buffer, want, &got, nullptr) ? got : 0;
    };
    into.MergeRecordStream(read, size_t(size.QuadPart > 0 ? size.QuadPart : 0));
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

void WriteCacheFile(HWND own, HWND asker, const VerdictCache& cache) {
    const std::wstring path = CacheFilePath(reinterpret_cast<WPARAM>(own));
    if (!path.empty()) {
        ScopedHandle file(CreateAnswerFile(path));
        if (file.IsValid()) {
            cache.SerializeInPieces([&file](const uint8_t* data, size_t size) {
                DWORD written = 0;
                ::WriteFile(file.Get(), data, DWORD(size), &written, nullptr);
            });
        }
    }
    ::PostMessageW(asker, ThisMyScanResultMessage(), reinterpret_cast<WPARAM>(own), 0);
}

// Deletes the handed-over file when it goes, whatever happened while it was read.
class HandedOverFile {
  public:
    explicit HandedOverFile(std::wstring path) : m_path(std::move(path)) {}
    ~HandedOverFile() { DeleteHandedOverFile(m_path); }
    HandedOverFile(const HandedOverFile&) = delete;
    HandedOverFile& operator=(const HandedOverFile&) = delete;

  private:
    std::wstring m_path;
};

void ReadCacheFile(WPARAM answeringWindow, VerdictCache& into) {
    const std::wstring path = CacheFilePath(answeringWindow);
    if (path.empty()) return;
    HandedOverFile handedOver(path);
    ScopedHandle file(OpenForReading(path));
    LARGE_INTEGER size = {};
    // A file beyond any real cache is not read: merging it would only exhaust the browser.
    if (file.IsValid() && ::GetFileSizeEx(file.Get(), &size) && size.QuadPart >= 0 &&
        size.QuadPart <= kMaxCacheFileBytes) {
        MergeRecordsOf(file.Get(), into);
    }
}

void ReadResultFile(WPARAM first, LPARAM second, VerdictCache& into) {
    const std::wstring path = ResultFilePath(first, second);
    if (path.empty()) return;
    HandedOverFile handedOver(path);
    ScopedHandle file(OpenForReading(path));
    uint8_t record[sizeof(ResultRecord)];
    DWORD got = 0;
    if (file.IsValid() && ::ReadFile(file.Get(), record, sizeof(record), &got, nullptr) &&
        got == sizeof(record)) {
        into.MergeRecords(record, sizeof(record));
    }
}
