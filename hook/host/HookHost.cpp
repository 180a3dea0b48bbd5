// vekohost64.exe: the 64-bit process with which a 32-bit main program hooks 64-bit browsers.
//
//   vekohost64.exe <owner process id> <frame> [<frame> ...]
//
// Loads veko64.dll from its own directory and calls InstallHook for each frame (a window handle,
// decimal or 0x-hexadecimal), posts each hooked frame a WM_NULL so that an idle browser loads the
// library at once, and prints one line per frame: "frame=0x... hook=0x..." (hook 0x0: refused).
// A hook lives as long as the thread that set it, so the program then stays until the owner
// process ends (0: until it is ended itself). Exit code: 0 when every frame was hooked, 1 when
// one was refused, 2 on wrong arguments or a missing library.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "veko.h"

namespace {

std::wstring OwnDirectory() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory(path, length);
    return directory.substr(0, directory.find_last_of(L"\\/") + 1);
}

bool ParseNumber(const wchar_t* text, unsigned long long& value) {
    wchar_t* end = nullptr;
    value = std::wcstoull(text, &end, 0);
    return end != text && *end == L'\0';
}

// Pumps this thread's messages until `owner` ends (or for ever without one).
void StayUntilOwnerEnds(HANDLE owner) {
    const DWORD count = owner ? 1 : 0;
    for (;;) {
        const DWORD woke = ::MsgWaitForMultipleObjects(count, owner ? &owner : nullptr, FALSE,
                                                       INFINITE, QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + count) return;  // the owner ended, or the wait failed
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return;
            ::DispatchMessageW(&msg);
        }
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    unsigned long long ownerId = 0;
    if (argc < 3 || !ParseNumber(argv[1], ownerId)) {
        std::fprintf(stderr, "usage: vekohost64 <owner process id> <frame> [<frame> ...]\n");
        return 2;
    }
    HMODULE veko = ::LoadLibraryW((OwnDirectory() + veko::kLibraryFileName).c_str());
    auto install = veko::GetExport<VekoInstallHookFn>(veko, "InstallHook");
    if (!install) {
        std::fprintf(stderr, "%ls or its InstallHook is missing\n", veko::kLibraryFileName);
        return 2;
    }
    HANDLE owner =
        ownerId ? ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(ownerId)) : nullptr;
    if (ownerId && !owner) return 2;  // the owner is gone already: nothing to hold the hooks for
    int refused = 0;
    for (int i = 2; i < argc; ++i) {
        unsigned long long handle = 0;
        HWND frame = ParseNumber(argv[i], handle) ? reinterpret_cast<HWND>(handle) : nullptr;
        HHOOK hook = frame ? install(frame) : nullptr;
        if (hook) ::PostMessageW(frame, WM_NULL, 0, 0);
        refused += hook == nullptr;
        std::printf("frame=0x%llX hook=0x%llX\n", handle,
                    static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hook)));
    }
    std::fflush(stdout);
    StayUntilOwnerEnds(owner);
    if (owner) ::CloseHandle(owner);
    return refused ? 1 : 0;
}
