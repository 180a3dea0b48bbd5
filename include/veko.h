// veko.dll, the address-bar guard: what a main program needs to load and drive it.
//
// The main program loads veko.dll, calls InstallHook with the top-level frame window of a running
// browser and keeps running: the hook lives as long as the thread that installed it.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Hooks the GUI thread that owns `frame`. Returns the hook handle, or null when the install was
// refused (the window is not a live window, is already listed, its process already has a live
// hooked window, or the table is full) or failed.
HHOOK WINAPI InstallHook(HWND frame);
// Removes the hook that the library recorded in the calling process.
BOOL WINAPI UninstallHook(void);
// Compact configuration only: returns 0.
int WINAPI ShowFirstTip(void);

typedef HHOOK(WINAPI* VekoInstallHookFn)(HWND);
typedef BOOL(WINAPI* VekoUninstallHookFn)(void);
typedef int(WINAPI* VekoShowFirstTipFn)(void);

#ifdef __cplusplus
}

namespace veko {

// Hook table file in the user's temporary directory: 100 records of 16 bytes.
constexpr const wchar_t* kHookTableFileName = L"_kox_SHARE_MEMORY_FOR_WINDOW_MANAGER";
constexpr int kHookTableEntries = 100;
constexpr int kHookTableEntryBytes = 16;
constexpr int kHookTableBytes = kHookTableEntries * kHookTableEntryBytes;

// The product's switches, read from HKEY_LOCAL_MACHINE on every use.
constexpr const wchar_t* kSwitchesKey = L"SOFTWARE\\koxSafe\\tarvel";
constexpr const wchar_t* kAddressBarAlertValue = L"IEAddrBarAlert";
constexpr const wchar_t* kSpoofingMonitorValue = L"MonitoringSpoofing";
constexpr const wchar_t* kMalwareMonitorValue = L"MonitoringMalware";
constexpr const wchar_t* kInternetExplorerKey = L"SOFTWARE\\Microsoft\\Internet Explorer";
constexpr const wchar_t* kInternetExplorerBuildValue = L"Build";

// The main program, started from the library's own directory with one of these command lines.
constexpr const wchar_t* kMainProgramFileName = L"koxQNMain.exe";
constexpr const wchar_t* kStartCommandShow = L"s:0";
constexpr const wchar_t* kStartCommandSettings = L"s:2";
constexpr const wchar_t* kStartCommandNone = L"";
constexpr const wchar_t* kStartCommandRepair = L"r:0";

// Window class of the window that the library lays over the address edit.
constexpr const wchar_t* kAddressTipClass = L"uis_raw_popup_class";

// An export of a loaded veko.dll as its function type, or null.
template <typename Fn>
Fn GetExport(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
                  : nullptr;
}

}  // namespace veko
#endif
