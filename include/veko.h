// veko.dll, the address-bar guard: everything a main program needs to load it, drive it and
// hand it verdicts. See docs/protocol.md for a walk-through with a complete example.
//
// The protocol half of this header needs only the C/C++ standard headers; the exports need
// <windows.h> and are declared on Windows only.
#pragma once

#include <stdint.h>

#ifdef _WIN32
#include <windows.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

// ---- verdicts -------------------------------------------------------------------------------

// The 32-bit word the main program decides for one address (bit 0 is the least significant):
//   bits 0-2  level: with a class of 1..5, the level 2 means "known, not alarming"
//   bits 3-7  class: 0 none, 1 trojan site, 2-3 phishing site, 4-5 malicious page, 6..31 none
//   bit 30    the user has put the site on their own block list (wins over the class)
//   other bits are carried and stored unchanged.
typedef uint32_t UrlVerdict;

#define VEKO_VERDICT_LEVEL_MASK 0x00000007u
#define VEKO_VERDICT_CLASS_SHIFT 3
#define VEKO_VERDICT_CLASS_MASK 0x000000F8u
#define VEKO_VERDICT_USER_BLOCKED 0x40000000u
#define VEKO_VERDICT_LEVEL_NOT_ALARMING 2u

// One verdict on the wire, 36 bytes: the address digest as 32 lower-case hexadecimal ASCII
// characters (no terminator), then the verdict, little-endian.
#pragma pack(push, 1)
typedef struct ResultRecord {
    char digest[32];
    uint8_t verdict[4];
} ResultRecord;
#pragma pack(pop)

#ifdef __cplusplus
}  // extern "C"

namespace veko {

enum VerdictClass : uint32_t {
    kClassNone = 0,
    kClassTrojan = 1,
    kClassPhishing = 2,
    kClassPhishingToo = 3,
    kClassMaliciousPage = 4,
    kClassMaliciousPageToo = 5,
};

constexpr uint32_t VerdictLevel(UrlVerdict v) { return v & VEKO_VERDICT_LEVEL_MASK; }
constexpr uint32_t VerdictClassOf(UrlVerdict v) {
    return (v & VEKO_VERDICT_CLASS_MASK) >> VEKO_VERDICT_CLASS_SHIFT;
}
constexpr bool IsUserBlocked(UrlVerdict v) { return (v & VEKO_VERDICT_USER_BLOCKED) != 0; }
constexpr UrlVerdict MakeVerdict(uint32_t verdictClass, uint32_t level) {
    return ((verdictClass << VEKO_VERDICT_CLASS_SHIFT) & VEKO_VERDICT_CLASS_MASK) |
           (level & VEKO_VERDICT_LEVEL_MASK);
}
// True when the badge warns: a user-blocked site, or a threat class whose level is not 2.
constexpr bool IsAlarmingVerdict(UrlVerdict v) {
    return IsUserBlocked(v) ||
           (VerdictClassOf(v) >= kClassTrojan && VerdictClassOf(v) <= kClassMaliciousPageToo &&
            VerdictLevel(v) != VEKO_VERDICT_LEVEL_NOT_ALARMING);
}

// ---- the result windows and their messages --------------------------------------------------

// Every browser process the library runs in owns hidden top-level windows of this class; they
// are found by class name alone. A main program may own one too, to take part in the exchange.
constexpr const wchar_t* kResultWindowClass = L"koxqn_address_result_wnd";

// Registered with RegisterWindowMessageW.
//   "WM_NEW_URL_RESULT"      main program -> result window: the result file is
//                            w3zd6_<wParam as unsigned>_<lParam as signed>.tmp; returns 1.
//   "WM_NEED_YOUR_RESULT"    new result window -> peers, wParam = asking window; posted.
//   "WM_THIS_MY_SCAN_RESULT" peer -> asker, wParam = answering window; the cache file is
//                            qn9m6_<wParam as signed>.tmp; posted.
constexpr const wchar_t* kNewUrlResultMessage = L"WM_NEW_URL_RESULT";
constexpr const wchar_t* kNeedYourResultMessage = L"WM_NEED_YOUR_RESULT";
constexpr const wchar_t* kThisMyScanResultMessage = L"WM_THIS_MY_SCAN_RESULT";

// WM_COPYDATA with one ResultRecord: dwData "koqn", cbData 36. Anything else is ignored (and
// still answered with 1).
constexpr uint32_t kCopyDataMagic = 0x6B6F716E;
constexpr uint32_t kResultRecordBytes = 36;
static_assert(sizeof(ResultRecord) == kResultRecordBytes, "ResultRecord is 36 packed bytes");

// Files in the user's temporary directory (GetTempPathW), read and deleted by their reader.
//   cache file:  the answering window's handle, sign-extended to 64 bits
//   result file: wParam of WM_NEW_URL_RESULT as unsigned 32-bit, lParam as signed 32-bit
constexpr const wchar_t* kCacheFilePattern = L"qn9m6_%I64d.tmp";
constexpr const wchar_t* kResultFilePattern = L"w3zd6_%I64d_%d.tmp";

// ---- the hook table --------------------------------------------------------------------------

// Hook table file in the user's temporary directory: 100 records of 16 bytes.
constexpr const wchar_t* kHookTableFileName = L"_kox_SHARE_MEMORY_FOR_WINDOW_MANAGER";
constexpr int kHookTableEntries = 100;
constexpr int kHookTableEntryBytes = 16;
constexpr int kHookTableBytes = kHookTableEntries * kHookTableEntryBytes;

// Window and hook handles are 32-bit values in either bitness: a 64-bit process sees the 32-bit
// value sign-extended. The table's fields, the file names and the tools' text keep the 32 bits;
// turning them back into a handle sign-extends them, so both bitnesses name the same window.
inline uint32_t HandleToField(const void* handle) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(handle));
}
template <typename Handle>
Handle FieldToHandle(uint32_t field) {
    return reinterpret_cast<Handle>(static_cast<intptr_t>(static_cast<int32_t>(field)));
}

// ---- the files of a main program's directory ------------------------------------------------

// Both bitnesses sit side by side in the main program's directory, each library binding the
// decoder of its own bitness beside it; both start the one main program, kMainProgramFileName.
constexpr const wchar_t* kLibraryFileName32 = L"veko.dll";
constexpr const wchar_t* kDecoderFileName32 = L"qorpng.dll";
constexpr const wchar_t* kLibraryFileName64 = L"veko64.dll";
constexpr const wchar_t* kDecoderFileName64 = L"qorpng64.dll";
// The 64-bit process with which a 32-bit main program hooks 64-bit browsers:
//   vekohost64.exe <main program's process id> <frame> [<frame> ...]
// It hooks each frame with veko64.dll beside it and stays until that process ends.
constexpr const wchar_t* kHookHostFileName64 = L"vekohost64.exe";
#ifdef _WIN64
constexpr const wchar_t* kLibraryFileName = kLibraryFileName64;
constexpr const wchar_t* kDecoderFileName = kDecoderFileName64;
#else
constexpr const wchar_t* kLibraryFileName = kLibraryFileName32;
constexpr const wchar_t* kDecoderFileName = kDecoderFileName32;
#endif

// ---- switches and the main program -----------------------------------------------------------

// The product's switches, read from HKEY_LOCAL_MACHINE on every use.
constexpr const wchar_t* kSwitchesKey = L"SOFTWARE\\koxSafe\\tarvel";
constexpr const wchar_t* kAddressBarAlertValue = L"IEAddrBarAlert";
constexpr const wchar_t* kSpoofingMonitorValue = L"MonitoringSpoofing";
constexpr const wchar_t* kMalwareMonitorValue = L"MonitoringMalware";
constexpr const wchar_t* kInternetExplorerKey = L"SOFTWARE\\Microsoft\\Internet Explorer";
constexpr const wchar_t* kInternetExplorerBuildValue = L"Build";

// The main program, started hidden from the library's own directory with one of these command
// lines, each named after what it asks of the main program.
constexpr const wchar_t* kMainProgramFileName = L"koxQNMain.exe";
// Repair the browser (the pop-up's browser repair; the compact badge's press).
constexpr const wchar_t* kStartCommandRepairBrowser = L"s:0";
// Repair the browser's home page.
constexpr const wchar_t* kStartCommandRepairHomePage = L"s:2";
// Just open the main program's window.
constexpr const wchar_t* kStartCommandOpen = L"";
// The user confirmed that the badge be hidden (the library has hidden it in that browser; the
// message the user confirmed points them to the main program's settings to show it again).
constexpr const wchar_t* kStartCommandBadgeHidden = L"r:0";

// Window class of the window that the library lays over the address edit.
constexpr const wchar_t* kAddressTipClass = L"uis_raw_popup_class";

}  // namespace veko
#endif  // __cplusplus

// ---- the exports ---------------------------------------------------------------------------
#ifdef _WIN32
#ifdef __cplusplus
extern "C" {
#endif

// Hooks the GUI thread that owns `frame`. Returns the hook handle, or null when the install was
// refused (the window is not a live window, is already listed, its process already has a live
// hooked window, or the table is full) or failed.
HHOOK WINAPI InstallHook(HWND frame);
// Removes the hook that the library's hook procedure recorded in the calling process: that is,
// inside a hooked browser, the hook that brought the library there. A main program's process
// never runs the hook procedure, so there it removes nothing and returns FALSE; a main program
// removes a hook it set with UnhookWindowsHookEx(the handle InstallHook returned), or by ending
// the thread that called InstallHook.
BOOL WINAPI UninstallHook(void);
// Compact configuration only: returns 0.
int WINAPI ShowFirstTip(void);

typedef HHOOK(WINAPI* VekoInstallHookFn)(HWND);
typedef BOOL(WINAPI* VekoUninstallHookFn)(void);
typedef int(WINAPI* VekoShowFirstTipFn)(void);

#ifdef __cplusplus
}  // extern "C"

namespace veko {
// An export of a loaded veko.dll as its function type, or null.
template <typename Fn>
Fn GetExport(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
                  : nullptr;
}
}  // namespace veko
#endif  // __cplusplus
#endif  // _WIN32
