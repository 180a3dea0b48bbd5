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
    DWORD length = ::GetFileSize(file.Get(), nullptr);
    if (length == 0 || length == INVALID_FILE_SIZE) return;
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

FCGlobalShareMemory::FCGlobalShareMemory(const wchar_t* fileName, int size) {
    wchar_t path[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, path);
    ::PathAppendW(path, fileName);
    m_strPath = path;
    if (::PathFileExistsW(path)) {
        DWORD length = 0;
        ReadWholeFile(m_strPath, m_data, length);
        m_nSize = static_cast<int>(length);
        if (m_nSize < size) m_data.reset();
    }
    if (!m_data) {
        m_data.reset(new (std::nothrow) uint8_t[size]());
        m_nSize = m_data ? size : 0;
    }
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
    return m_data && WriteWholeFile(m_strPath, m_data.get(), static_cast<DWORD>(m_nSize));
}

int ChooseInstallEntry(const HookTableEntry* entries, HWND window, DWORD processId) {
    int chosen = -1;
    for (int i = 0; i < veko::kHookTableEntries; ++i) {
        const HWND listed = EntryWindow(entries[i]);
        const bool alive = ::IsWindow(listed) != FALSE;
        if (chosen < 0 && !alive) chosen = i;
        if (listed == window) return -1;
        if (entries[i].processId == processId && alive) return -1;
    }
    return chosen;
}

int FindProcessEntry(const HookTableEntry* entries, DWORD processId) {
    for (int i = 0; i < veko::kHookTableEntries; ++i) {
        if (entries[i].processId == processId) return i;
    }
    return -1;
}
