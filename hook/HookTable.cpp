#include "hook/HookTable.h"

#include <shlwapi.h>

#include <cstring>

#include "toolkit/Scoped.h"
#include "veko.h"

void ReadWholeFile(const std::wstring& path, std::unique_ptr<uint8_t[]>& buffer, DWORD& size) {
    buffer.reset();
    size = 0;
    // Deleting is shared too, so that a writer can rename a new table over the file meanwhile.
    ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return;
    LARGE_INTEGER fileSize = {};
    // Every browser that loads the library reads the file under the loader lock: one larger
    // than any table of ours is not read at all.
    if (!::GetFileSizeEx(file.Get(), &fileSize) || fileSize.QuadPart <= 0 ||
        fileSize.QuadPart > kMaxTableFileBytes) {
        return;
    }
    const DWORD length = static_cast<DWORD>(fileSize.QuadPart);
    std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[length + 2]);
    if (!data) return;
    std::memset(data.get(), 0, length + 2);
    DWORD read = 0;
    ::ReadFile(file.Get(), data.get(), length, &read, nullptr);
    buffer = std::move(data);
    size = length;
}

namespace {

bool WriteNewFile(const std::wstring& path, const void* buffer, DWORD count) {
    ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) return false;
    DWORD written = 0;
    return ::WriteFile(file.Get(), buffer, count, &written, nullptr) && written == count;
}

}  // namespace

bool WriteWholeFile(const std::wstring& path, const void* buffer, DWORD count) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only table is replaced
    const std::wstring partial = path + L"." + std::to_wstring(::GetCurrentProcessId()) + L".new";
    if (!WriteNewFile(partial, buffer, count)) {
        ::DeleteFileW(partial.c_str());
        return false;
    }
    // A reader that opened the old file without sharing deletion holds the rename up briefly.
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (::MoveFileExW(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
        ::Sleep(5);
    }
    ::DeleteFileW(partial.c_str());
    return false;
}

// Constructed while the library loads: nothing may throw out of here, or the load would end the
// process. Without memory the table stays empty and the library does nothing.
FCGlobalShareMemory::FCGlobalShareMemory(const wchar_t* fileName, int size) {
    NoThrow([&] {
        wchar_t path[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, path);
        ::PathAppendW(path, fileName);
        m_strPath = path;
        Load(size);
    });
}

void FCGlobalShareMemory::Reload(int size) {
    NoThrow([&] { Load(size); });
}

void FCGlobalShareMemory::Load(int size) {
    std::unique_ptr<uint8_t[]> file;
    DWORD length = 0;
    if (::PathFileExistsW(m_strPath.c_str())) ReadWholeFile(m_strPath, file, length);
    size_t held = 0;
    std::unique_ptr<uint8_t[]> data = TableFromFile(std::move(file), length, size_t(size), &held);
    if (!data) return;  // without memory the table stays as it was
    m_data = std::move(data);
    m_nSize = static_cast<int>(held);
}

void FCGlobalShareMemory::TakeLiveEntriesFromFile() {
    if (!m_data || m_nSize < veko::kHookTableBytes) return;
    std::unique_ptr<uint8_t[]> file;
    DWORD length = 0;
    ReadWholeFile(m_strPath, file, length);
    if (!file || length < DWORD(veko::kHookTableBytes)) return;
    const auto* saved = reinterpret_cast<const HookTableEntry*>(file.get());
    HookTableEntry* entries = Entries();
    for (int i = 0; i < veko::kHookTableEntries; ++i) {
        if (!::IsWindow(EntryWindow(entries[i])) && ::IsWindow(EntryWindow(saved[i])))
            entries[i] = saved[i];
    }
}

TableFileLock::TableFileLock()
    : m_mutex(::CreateMutexW(nullptr, FALSE, L"veko_hook_table_file_lock")) {
    if (!m_mutex) return;
    const DWORD waited = ::WaitForSingleObject(m_mutex, 5000);
    m_owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

TableFileLock::~TableFileLock() {
    if (m_owned) ::ReleaseMutex(m_mutex);
    if (m_mutex) ::CloseHandle(m_mutex);
}

bool FCGlobalShareMemory::Save() {
    return m_data && NoThrow(false, [&] {
               return WriteWholeFile(m_strPath, m_data.get(), static_cast<DWORD>(m_nSize));
           });
}

int ChooseInstallEntry(const HookTableEntry* entries, HWND window, DWORD processId) {
    return ChooseInstallEntry(entries, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)),
                              processId, [](uint32_t listed) {
                                  return ::IsWindow(reinterpret_cast<HWND>(uintptr_t(listed))) !=
                                         FALSE;
                              });
}
