// The hook table: which frame windows the main program hooked, shared with the browsers through
// one file in the user's temporary directory.
//
// Each process that loads the library reads the file once, at load; the installing process
// rewrites it whole after every install. There is no shared memory despite the class's name.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "hook/HookTableRules.h"
#include "veko.h"

// The largest table file that is read: 64 KiB. The table is 1600 bytes, and a longer file is kept
// whole with its own length; anything beyond this is no table of ours and counts as missing.
constexpr long long kMaxTableFileBytes = 64 << 10;

// Reads the whole file into a zero-filled buffer two bytes longer than the file. Leaves the buffer
// null and the size 0 when the file cannot be opened or is longer than kMaxTableFileBytes.
void ReadWholeFile(const std::wstring& path, std::unique_ptr<uint8_t[]>& buffer, DWORD& size);
// Replaces the file with `count` bytes: they are written to a temporary file beside it, which is
// then renamed over the old one, so a reader sees either the old or the new table, never half.
bool WriteWholeFile(const std::wstring& path, const void* buffer, DWORD count);

class FCGlobalShareMemory {
  public:
    // Loads the file `fileName` in the temporary directory; a missing or short file (fewer than
    // `size` bytes) gives `size` zero bytes, a longer one is kept with its own length.
    FCGlobalShareMemory(const wchar_t* fileName, int size);
    virtual ~FCGlobalShareMemory() = default;

    // Reads the file again, as the constructor does; the table stays as it was without memory.
    void Reload(int size);

    uint8_t* GetData() { return m_data.get(); }
    HookTableEntry* Entries() { return reinterpret_cast<HookTableEntry*>(m_data.get()); }
    bool Save();
    // Another main program may have saved the file since this table was loaded: each of its
    // entries that names a live window takes the place of an entry here that does not. Entries
    // of live windows here stay as they are.
    void TakeLiveEntriesFromFile();

  private:
    void Load(int size);

    std::unique_ptr<uint8_t[]> m_data;
    std::wstring m_strPath;
    int m_nSize = 0;
};

// Held by every installing process from reading the table file to saving it, so that two main
// programs installing at the same moment do not overwrite each other's entries. Without the lock
// (it could not be had within a few seconds) the install goes on all the same.
class TableFileLock {
  public:
    TableFileLock();
    ~TableFileLock();
    TableFileLock(const TableFileLock&) = delete;
    TableFileLock& operator=(const TableFileLock&) = delete;

  private:
    HANDLE m_mutex = nullptr;
    bool m_owned = false;
};

// ChooseInstallEntry for a window of this desktop: a listed window is alive while IsWindow says so.
int ChooseInstallEntry(const HookTableEntry* entries, HWND window, DWORD processId);

inline HWND EntryWindow(const HookTableEntry& e) { return veko::FieldToHandle<HWND>(e.window); }
inline HHOOK EntryHook(const HookTableEntry& e) { return veko::FieldToHandle<HHOOK>(e.hook); }
