// A window of the result class in a program of its own that does not play by the rules, for the
// robustness tests:
//
//   hostile_peer.exe hang            never looks at its messages: its only thread sleeps
//   hostile_peer.exe garbage <n>     answers every request for its cache with a cache file of n
//                                    random bytes
//   hostile_peer.exe absent          answers every request naming a cache file that is not there
//
// It prints "window=0x.." once its window stands and, when it answers, "asked-by=0x..".
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <random>
#include <string>
#include <vector>

#include "mainprog/ForeignResultWindow.h"
#include "veko.h"

namespace {

std::wstring g_mode;
size_t g_garbageBytes = 0;

std::wstring CacheFile(long long number) {
    wchar_t directory[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, directory);
    wchar_t name[64] = {};
    std::swprintf(name, 64, veko::kCacheFilePattern, number);
    return std::wstring(directory) + name;
}

void WriteGarbage(const std::wstring& path, size_t size) {
    std::mt19937 random(static_cast<unsigned>(size));
    std::vector<uint8_t> bytes(size);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (!bytes.empty()) ::WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
}

LRESULT CALLBACK PeerProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    static const UINT need = ::RegisterWindowMessageW(veko::kNeedYourResultMessage);
    static const UINT answer = ::RegisterWindowMessageW(veko::kThisMyScanResultMessage);
    if (msg != need) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    // The answer names the file after a window that has none: this number is no window's.
    const long long number =
        g_mode == L"absent" ? 0x7EEEEEEE : static_cast<int32_t>(veko::HandleToField(hwnd));
    if (g_mode == L"garbage") {
        WriteGarbage(CacheFile(number), g_garbageBytes);
    } else {
        ::DeleteFileW(CacheFile(number).c_str());
    }
    ::PostMessageW(reinterpret_cast<HWND>(wParam), answer, static_cast<WPARAM>(number), 0);
    std::printf("asked-by=%s\n", HandleText(reinterpret_cast<HWND>(wParam)).c_str());
    std::fflush(stdout);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    g_mode = argc > 1 ? argv[1] : L"";
    if (g_mode == L"garbage" && argc > 2) g_garbageBytes = std::wcstoul(argv[2], nullptr, 0);
    if (g_mode != L"hang" && g_mode != L"garbage" && g_mode != L"absent") {
        std::fprintf(stderr, "usage: hostile_peer hang | garbage <bytes> | absent\n");
        return 2;
    }
    const HWND window = CreateForeignResultWindow(PeerProc);
    if (!window) return 1;
    if (g_mode == L"hang") {
        for (;;) ::Sleep(1000);
    }
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}
