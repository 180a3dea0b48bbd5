// A stand-in browser: builds the frame of one supported browser kind and runs a normal message
// loop, so that the main program can hook it and the library can serve its address edit.
//
//   standin_browser.exe <ie8|ie7|ie6|maxthon|maxthon2|sogou|tt> [--url TEXT] [--ie6-edits W,W..]
//
// It prints "frame=0x.. edit=0x.. control=0x.. pid=N" once the frame stands. The control window
// takes commands as WM_COPYDATA (dwData 'STBR', UTF-16 text) and answers with the result:
//   frame top|bottom [kind]
//                      a further frame (of the first one's kind unless given), shown at the
//                      top of the Z-order, or hidden at its bottom
//   edit <frame>       the address edit of one of our frames
//   raise <frame>      shows a frame at the top of the Z-order
//   changed            how many edits no longer have the window procedure they were created with
//   loaded             1 when veko.dll is in the process
//   unload             UninstallHook, then release veko.dll: 1 unloaded, 0 not loaded, -1 stuck
//   quit               ends the message loop
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <sstream>
#include <string>

#include "BrowserLayouts.h"

namespace {

constexpr ULONG_PTR kCommandTag = 0x53544252;  // 'STBR'

FrameOptions g_options;
std::map<HWND, HWND> g_frames;     // frame -> its address edit
std::map<HWND, LONG> g_editProcs;  // edit -> procedure at creation

BuiltFrame AddFrame(bool atBottom = false, const std::wstring& kind = L"") {
    const POINT origin = {40 + 30 * static_cast<LONG>(g_frames.size()),
                          40 + 30 * static_cast<LONG>(g_frames.size())};
    FrameOptions options = g_options;
    if (!kind.empty()) options.kind = kind;
    BuiltFrame built = BuildFrame(options, origin, atBottom);
    if (!built.frame) return built;
    g_frames[built.frame] = built.addressEdit;
    for (HWND edit : built.edits) g_editProcs[edit] = ::GetWindowLongW(edit, GWL_WNDPROC);
    return built;
}

HWND HandleArg(std::wistringstream& in) {
    std::wstring text;
    in >> text;
    return reinterpret_cast<HWND>(std::wcstoul(text.c_str(), nullptr, 0));
}

LRESULT Unload() {
    HMODULE veko = ::GetModuleHandleW(L"veko.dll");
    if (!veko) return 0;
    using Uninstall = BOOL(WINAPI*)();
    auto uninstall = reinterpret_cast<Uninstall>(
        reinterpret_cast<void*>(::GetProcAddress(veko, "UninstallHook")));
    if (uninstall) uninstall();
    for (int i = 0; i < 64 && ::GetModuleHandleW(L"veko.dll"); ++i) ::FreeLibrary(veko);
    return ::GetModuleHandleW(L"veko.dll") ? -1 : 1;
}

LRESULT RunCommand(const std::wstring& command) {
    std::wistringstream in(command);
    std::wstring verb;
    in >> verb;
    if (verb == L"frame") {
        std::wstring where, kind;
        in >> where >> kind;
        return reinterpret_cast<LRESULT>(AddFrame(where == L"bottom", kind).frame);
    }
    if (verb == L"edit") {
        auto it = g_frames.find(HandleArg(in));
        return it == g_frames.end() ? 0 : reinterpret_cast<LRESULT>(it->second);
    }
    if (verb == L"raise") {
        return ::SetWindowPos(HandleArg(in), HWND_TOP, 0, 0, 0, 0,
                              SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    }
    if (verb == L"changed") {
        LRESULT changed = 0;
        for (const auto& [edit, proc] : g_editProcs)
            changed += ::IsWindow(edit) && ::GetWindowLongW(edit, GWL_WNDPROC) != proc;
        return changed;
    }
    if (verb == L"loaded") return ::GetModuleHandleW(L"veko.dll") != nullptr;
    if (verb == L"unload") return Unload();
    if (verb == L"quit") {
        ::PostQuitMessage(0);
        return 1;
    }
    return 0;
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COPYDATA) {
        auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (!data || data->dwData != kCommandTag || !data->lpData) return 0;
        std::wstring command(static_cast<const wchar_t*>(data->lpData),
                             data->cbData / sizeof(wchar_t));
        return RunCommand(command);
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

HWND CreateControlWindow() {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ControlProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"veko_standin_control";
    ::RegisterClassExW(&wc);
    return ::CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                             wc.hInstance, nullptr);
}

bool ParseArgs(int argc, wchar_t** argv) {
    if (argc < 2) return false;
    g_options.kind = argv[1];
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        if (name == L"--url") {
            g_options.url = argv[i + 1];
        } else if (name == L"--ie6-edits") {
            std::wistringstream widths(argv[i + 1]);
            for (std::wstring w; std::getline(widths, w, L',');)
                g_options.ie6EditWidths.push_back(std::stoi(w));
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (!ParseArgs(argc, argv)) {
        std::fprintf(stderr, "usage: standin_browser <kind> [--url TEXT] [--ie6-edits W,W..]\n");
        return 2;
    }
    RegisterLayoutClasses();
    const BuiltFrame built = AddFrame();
    HWND control = CreateControlWindow();
    if (!built.frame || !control) {
        std::fprintf(stderr, "cannot build a frame of kind %ls\n", g_options.kind.c_str());
        return 1;
    }
    std::printf("frame=0x%08lX edit=0x%08lX control=0x%08lX pid=%lu\n",
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(built.frame)),
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(built.addressEdit)),
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(control)),
                ::GetCurrentProcessId());
    std::fflush(stdout);

    // A page that is alive: the thread retrieves a message now and then even without input,
    // as a real browser's thread does.
    ::SetTimer(nullptr, 0, 100, nullptr);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
