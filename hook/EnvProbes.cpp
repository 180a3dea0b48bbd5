#include "hook/EnvProbes.h"

#include <shlwapi.h>

#include "veko.h"

namespace {

// True when the switch was read and holds 0: the one outcome that changes behaviour.
bool SwitchReadsZero(const wchar_t* valueName) {
    DWORD type = 0;
    DWORD data = 0;  // cleared, so a value shorter than four bytes cannot read as stale memory
    DWORD size = sizeof(data);
    return ::SHGetValueW(HKEY_LOCAL_MACHINE, veko::kSwitchesKey, valueName, &type, &data, &size) ==
               ERROR_SUCCESS &&
           data == 0;
}

}  // namespace

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
