// A complete main program for veko, built against veko.h and the library's import library alone:
// it hooks one browser frame with the library of that browser's bitness and hands the library one
// verdict, which the badge in the browser's address bar then shows.
//
//   example_main.exe <frame> <address> <verdict> [<seconds to stay>]
//
// Build it (32-bit; for the 64-bit program take x86_64-w64-mingw32-g++ and -lveko64):
//   i686-w64-mingw32-g++ -municode -Iinclude ExampleMainProgram.cpp -Llib/mingw -lveko
//       -ladvapi32 -static -o example_main.exe
// and put it beside the package's bin/ files.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "veko.h"

namespace {

// ---- 1. hook the browser ----------------------------------------------------------------------

bool IsWow64(HANDLE process) {
    BOOL wow64 = FALSE;
    return ::IsWow64Process(process, &wow64) && wow64;
}

// Whether the process that owns `frame` has this program's bitness. On 64-bit Windows a 32-bit
// process runs under WOW64; on 32-bit Windows every process is 32-bit.
bool SameBitness(HWND frame) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(frame, &processId);
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process) return true;  // let InstallHook decide: it refuses the other bitness
    const bool same = IsWow64(process) == IsWow64(::GetCurrentProcess());
    ::CloseHandle(process);
    return same;
}

std::wstring OwnDirectory() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path, length);
    return directory.substr(0, directory.find_last_of(L"\\/") + 1);
}

// A browser of the other bitness: a 32-bit program hands it to the 64-bit hook host, which stays
// (and its hook with it) until this program ends.
bool HookThroughHost(HWND frame) {
    wchar_t commandLine[128];
    std::swprintf(commandLine, 128, L"\"%ls\" %lu 0x%llX", veko::kHookHostFileName64,
                  ::GetCurrentProcessId(),
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(frame)));
    const std::wstring host = OwnDirectory() + veko::kHookHostFileName64;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!::CreateProcessW(host.c_str(), commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                          nullptr, nullptr, &startup, &info)) {
        return false;
    }
    ::CloseHandle(info.hThread);
    // The host ends at once only when it could not hook the frame.
    const bool staying = ::WaitForSingleObject(info.hProcess, 1000) == WAIT_TIMEOUT;
    ::CloseHandle(info.hProcess);
    return staying;
}

bool Hook(HWND frame) {
    if (!SameBitness(frame)) {
        if (sizeof(void*) == 8) return false;  // a 32-bit browser needs the 32-bit main program
        return HookThroughHost(frame);
    }
    HHOOK hook = InstallHook(frame);
    // An idle browser retrieves no message, and the library comes into it with the next one.
    if (hook) ::PostMessageW(frame, WM_NULL, 0, 0);
    return hook != nullptr;
}

// ---- 2. name the address ----------------------------------------------------------------------

// MD5 of the address's UTF-16LE code units, as 32 lower-case hexadecimal characters.
std::string AddressDigest(const std::wstring& address) {
    std::string hex;
    HCRYPTPROV provider = 0;
    HCRYPTHASH hash = 0;
    if (::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT) &&
        ::CryptCreateHash(provider, CALG_MD5, 0, 0, &hash) &&
        ::CryptHashData(hash, reinterpret_cast<const BYTE*>(address.data()),
                        DWORD(address.size() * sizeof(wchar_t)), 0)) {
        BYTE digest[16];
        DWORD size = sizeof(digest);
        if (::CryptGetHashParam(hash, HP_HASHVAL, digest, &size, 0)) {
            for (BYTE b : digest) {
                char pair[3];
                std::snprintf(pair, sizeof(pair), "%02x", b);
                hex += pair;
            }
        }
    }
    if (hash) ::CryptDestroyHash(hash);
    if (provider) ::CryptReleaseContext(provider, 0);
    return hex;
}

// ---- 3. push the verdict ----------------------------------------------------------------------

BOOL CALLBACK CollectResultWindow(HWND hwnd, LPARAM windows) {
    wchar_t className[64] = {};
    ::GetClassNameW(hwnd, className, 64);
    if (std::wcscmp(className, veko::kResultWindowClass) == 0)
        reinterpret_cast<std::vector<HWND>*>(windows)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> ResultWindowsOf(HWND frame) {
    DWORD browser = 0;
    ::GetWindowThreadProcessId(frame, &browser);
    std::vector<HWND> all, theirs;
    ::EnumWindows(CollectResultWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND window : all) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == browser) theirs.push_back(window);
    }
    return theirs;
}

// Sends the record to every result window by WM_COPYDATA; how many took it.
int Push(const std::string& digest, UrlVerdict verdict) {
    ResultRecord record = {};
    for (size_t i = 0; i < 32 && i < digest.size(); ++i) record.digest[i] = digest[i];
    for (int i = 0; i < 4; ++i) record.verdict[i] = uint8_t(verdict >> (8 * i));
    COPYDATASTRUCT data = {veko::kCopyDataMagic, sizeof(record), &record};
    std::vector<HWND> windows;
    ::EnumWindows(CollectResultWindow, reinterpret_cast<LPARAM>(&windows));
    int taken = 0;
    for (HWND window : windows) {
        DWORD_PTR answer = 0;
        if (::SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                  SMTO_ABORTIFHUNG, 2000, &answer) &&
            answer == 1) {
            ++taken;
        }
    }
    return taken;
}

// Keeps this thread (which holds the hook) pumping messages for a while.
void Stay(DWORD ms) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: example_main <frame> <address> <verdict> [<seconds>]\n");
        return 2;
    }
    HWND frame = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::wcstoull(argv[1], nullptr, 0)));
    const std::wstring address = argv[2];
    const UrlVerdict verdict = UrlVerdict(std::wcstoul(argv[3], nullptr, 0));
    const DWORD stay = argc > 4 ? DWORD(std::wcstoul(argv[4], nullptr, 0)) * 1000 : 60000;

    if (!Hook(frame)) {
        std::printf("hooked=0\n");
        return 1;
    }
    // The library makes its result window as soon as it is in the browser.
    for (int tries = 0; tries < 100 && ResultWindowsOf(frame).empty(); ++tries) Stay(100);
    std::printf("hooked=1 pushed=%d\n", Push(AddressDigest(address), verdict));
    std::fflush(stdout);
    Stay(stay);
    return 0;
}
