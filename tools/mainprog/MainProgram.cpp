// A stand-in for the product's main program, "koxQNMain.exe".
//
//   koxQNMain.exe install (--class NAME [--pid N] | --hwnd 0xH) [--hold] [--at TICK]
//       loads veko.dll from this program's directory, hooks the frame, posts it a WM_NULL (so
//       that an idle browser loads the library at once), prints "frame=0x.. hook=0x..". With --hold
//       it keeps running (and the hook with it) until its thread gets WM_QUIT or the process is
//       ended. With --at it loads the library at once but hooks only once GetTickCount has reached
//       TICK.
//   koxQNMain.exe uninstall        calls UninstallHook in this process and prints its result
//   koxQNMain.exe inspect (--class NAME [--pid N] | --hwnd 0xH)
//       prints the address tip that the library laid into the frame, and the edit under it
//   koxQNMain.exe digest ADDRESS    prints the address's 32-character digest
//   koxQNMain.exe push ADDRESS VERDICT [--by copydata|file] [--to 0xH] [--digest]
//                 [--numbers FIRST SECOND] [--magic N] [--size N] [--null-data]
//       hands one verdict to every result window (or to the one given) and prints each
//       window's answer: "window=0x.. result=N", then "pushed=N". By file it writes the result
//       file and sends WM_NEW_URL_RESULT; by copydata it sends WM_COPYDATA (--magic, --size and
//       --null-data send it wrong on purpose). --digest: ADDRESS is already the digest.
//   koxQNMain.exe dump 0xH [--only ADDRESS | --only DIGEST,DIGEST.. --digest]
//       asks one result window for its cache as a peer does and prints "record=<digest>
//       verdict=0x.." lines (--only: just those of one address or of the digests given), then
//       "records=N" (all of them)
//   koxQNMain.exe serve FILE        owns a result window ("window=0x..") and answers every
//                                   request for its cache with the verdicts listed in FILE,
//                                   one "ADDRESS VERDICT" per line, read at each request
//   koxQNMain.exe url ADDRESS       a web address handed over by the shell (tests register
//                                   this program as the http handler): logged as "url ADDRESS"
//   koxQNMain.exe s:0 | s:2 | r:0 | (nothing)
//       the library's start commands: appends "<arguments>\t<program path>" to koxQNMain.log in
//       the temporary directory and exits.
#include <windows.h>
#include <shlwapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "ChannelCommands.h"
#include "veko.h"

namespace {

struct FrameQuery {
    std::wstring className;
    DWORD processId = 0;
    HWND found = nullptr;
};

BOOL CALLBACK MatchFrame(HWND hwnd, LPARAM param) {
    auto* query = reinterpret_cast<FrameQuery*>(param);
    wchar_t className[MAX_PATH] = {};
    ::GetClassNameW(hwnd, className, MAX_PATH);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hwnd, &processId);
    if (::lstrcmpiW(className, query->className.c_str()) != 0) return TRUE;
    if (query->processId && processId != query->processId) return TRUE;
    query->found = hwnd;
    return FALSE;
}

HWND FindFrame(const Arguments& args) {
    const std::wstring hwnd = args.Value(L"--hwnd");
    if (!hwnd.empty()) return HandleArgument(hwnd);
    FrameQuery query;
    query.className = args.Value(L"--class");
    query.processId = ParseNumber(args.Value(L"--pid", L"0"));
    if (query.className.empty()) return nullptr;
    ::EnumWindows(MatchFrame, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

std::wstring ProgramDirectory() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    ::PathRemoveFileSpecW(path);
    return path;
}

HMODULE LoadVeko() {
    return ::LoadLibraryW((ProgramDirectory() + L"\\" + veko::kLibraryFileName).c_str());
}

int Install(const Arguments& args) {
    HWND frame = FindFrame(args);
    HMODULE veko = LoadVeko();
    auto install = veko::GetExport<VekoInstallHookFn>(veko, "InstallHook");
    if (!install) {
        std::fprintf(stderr, "%ls or its InstallHook is missing\n", veko::kLibraryFileName);
        return 1;
    }
    if (args.Has(L"--at")) {
        const DWORD at = ParseNumber(args.Value(L"--at"));
        while (static_cast<LONG>(at - ::GetTickCount()) > 0) ::Sleep(1);
    }
    HHOOK hook = install(frame);
    // An idle browser retrieves no message, and until it retrieves one the hook never runs there:
    // one message makes it load the library now.
    if (hook) ::PostMessageW(frame, WM_NULL, 0, 0);
    std::printf("frame=%s hook=%s\n", HandleText(frame).c_str(), HandleText(hook).c_str());
    std::fflush(stdout);
    if (args.Has(L"--hold")) {
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    }
    return hook ? 0 : 1;
}

int Uninstall() {
    auto uninstall = veko::GetExport<VekoUninstallHookFn>(LoadVeko(), "UninstallHook");
    if (!uninstall) return 1;
    std::printf("uninstall=%d\n", uninstall());
    return 0;
}

struct TipQuery {
    HWND tip = nullptr;
};

BOOL CALLBACK MatchTip(HWND hwnd, LPARAM param) {
    wchar_t className[MAX_PATH] = {};
    ::GetClassNameW(hwnd, className, MAX_PATH);
    if (std::wcscmp(className, veko::kAddressTipClass) != 0) return TRUE;
    reinterpret_cast<TipQuery*>(param)->tip = hwnd;
    return FALSE;
}

// The edit under the tip: the tip's sibling whose right edge is the tip's right edge.
HWND EditUnderTip(HWND tip, const RECT& tipRect) {
    for (HWND sibling = ::GetWindow(::GetParent(tip), GW_CHILD); sibling;
         sibling = ::GetWindow(sibling, GW_HWNDNEXT)) {
        RECT rc;
        if (sibling != tip && ::GetWindowRect(sibling, &rc) && rc.right == tipRect.right)
            return sibling;
    }
    return nullptr;
}

int Inspect(const Arguments& args) {
    HWND frame = FindFrame(args);
    TipQuery query;
    if (frame) ::EnumChildWindows(frame, MatchTip, reinterpret_cast<LPARAM>(&query));
    std::printf("frame=%s\n", HandleText(frame).c_str());
    if (!query.tip) {
        std::printf("tip=none\n");
        return 1;
    }
    RECT tipRect = {};
    ::GetWindowRect(query.tip, &tipRect);
    RECT editRect = {};
    HWND edit = EditUnderTip(query.tip, tipRect);
    ::GetWindowRect(edit, &editRect);
    std::printf("tip=%s parent=%s visible=%d rect=(%ld,%ld)-(%ld,%ld) %ldx%ld\n",
                HandleText(query.tip).c_str(), HandleText(::GetParent(query.tip)).c_str(),
                ::IsWindowVisible(query.tip), tipRect.left, tipRect.top, tipRect.right,
                tipRect.bottom, tipRect.right - tipRect.left, tipRect.bottom - tipRect.top);
    std::printf("edit=%s rect=(%ld,%ld)-(%ld,%ld)\n", HandleText(edit).c_str(), editRect.left,
                editRect.top, editRect.right, editRect.bottom);
    return 0;
}

int LogStartCommand(const wchar_t* arguments) {
    wchar_t path[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, path);
    ::PathAppendW(path, L"koxQNMain.log");
    wchar_t program[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    if (FILE* log = _wfopen(path, L"a")) {
        std::fprintf(log, "%ls\t%ls\n", arguments, program);
        std::fclose(log);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring verb = argc > 1 ? argv[1] : L"";
    if (argc == 1 || verb == veko::kStartCommandRepairBrowser ||
        verb == veko::kStartCommandRepairHomePage || verb == veko::kStartCommandBadgeHidden) {
        return LogStartCommand(verb.c_str());
    }
    const Arguments args(argc, argv);
    if (verb == L"install") return Install(args);
    if (verb == L"uninstall") return Uninstall();
    if (verb == L"inspect") return Inspect(args);
    if (verb == L"digest") return DigestCommand(args);
    if (verb == L"push") return PushCommand(args);
    if (verb == L"dump") return DumpCommand(args);
    if (verb == L"serve") return ServeCommand(args);
    if (verb == L"url") return LogStartCommand((L"url " + args.Positional(0)).c_str());
    std::fprintf(stderr, "usage: koxQNMain install|uninstall|inspect|digest|push|dump|serve ...\n");
    return 2;
}
