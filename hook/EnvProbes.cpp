#include "hook/EnvProbes.h"

#include <shlwapi.h>

#include "toolkit/Scoped.h"
#include "veko.h"

namespace {

// True when the switch was read and holds 0: the one outcome that changes behaviour. The
// product's main program is 32-bit and writes its switches to the 32-bit view of the registry;
// the 64-bit library reads them there too.
bool SwitchReadsZero(const wchar_t* valueName) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, veko::kSwitchesKey, 0,
                        KEY_QUERY_VALUE | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    DWORD data = 0;  // cleared, so a value shorter than four bytes cannot read as stale memory
    DWORD size = sizeof(data);
    const LONG read =
        ::RegQueryValueExW(key, valueName, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
    ::RegCloseKey(key);
    return read == ERROR_SUCCESS && data == 0;
}

// Whether `process` runs under the 32-bit emulation of a 64-bit system; false on a 32-bit one.
// Unknown when it cannot be told (no such function, or the query fails).
enum class Wow64 { kYes, kNo, kUnknown };
Wow64 QueryWow64(HANDLE process) {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    const auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
    if (!isWow64) return Wow64::kNo;  // a system that predates it runs 32-bit programs only
    BOOL result = FALSE;
    if (!isWow64(process, &result)) return Wow64::kUnknown;
    return result ? Wow64::kYes : Wow64::kNo;
}

}  // namespace

BOOL IsProcessOfOwnBitness(DWORD processId) {
    ScopedHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
    if (!process.IsValid()) {
        // Systems before Vista know only the wider right.
        process.Reset(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    }
    if (!process.IsValid()) return TRUE;  // cannot tell: as before, the hook decides
    const Wow64 theirs = QueryWow64(process.Get());
    const Wow64 ours = QueryWow64(::GetCurrentProcess());
    if (theirs == Wow64::kUnknown || ours == Wow64::kUnknown) return TRUE;
    return theirs == ours;
}

BOOL IsAddressBarAlertOn() { return !SwitchReadsZero(veko::kAddressBarAlertValue); }

BOOL IsSpoofingMonitorOff() { return SwitchReadsZero(veko::kSpoofingMonitorValue); }

BOOL IsMalwareMonitorOff() { return SwitchReadsZero(veko::kMalwareMonitorValue); }

std::wstring ReadIEBuildMajor() {
    wchar_t build[MAX_PATH + 1] = {};  // one spare character keeps a terminator after 520 bytes
    DWORD type = 0;
    DWORD size = MAX_PATH * sizeof(wchar_t);
    if (::SHGetValueW(HKEY_LOCAL_MACHINE, veko::kInternetExplorerKey,
                      veko::kInternetExplorerBuildValue, &type, build, &size) != ERROR_SUCCESS ||
        ::lstrlenW(build) < 2) {
        return std::wstring();
    }
    return std::wstring(1, build[0]);
}

std::wstring GetModuleDirectory(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(module, path, MAX_PATH);
    ::PathRemoveFileSpecW(path);
    ::PathAddBackslashW(path);
    return path;
}
