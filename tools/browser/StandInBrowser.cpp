// A stand-in browser: builds the frame of one supported browser kind and runs a normal message
// loop, so that the main program can hook it and the library can serve its address edit.
//
//   standin_browser.exe <ie8|ie7|ie6|maxthon|maxthon2|sogou|tt> [--url TEXT] [--ie6-edits W,W..]
//                       [--lying-edit] [--idle]
//
// --idle leaves the thread without a message of its own until input or another program brings
// one, as a real browser with a still page is (Wine's Internet Explorer retrieves nothing then);
// otherwise a timer brings one every 100 ms, as a page that is alive does.
//
// --lying-edit gives every address edit a procedure of ours from its creation on, which the `lie`
// command can make misreport its text (it forwards everything unchanged until then).
//
// It prints "frame=0x.. edit=0x.. control=0x.. pid=N" once the frame stands. The control window
// takes commands as WM_COPYDATA (dwData 'STBR', UTF-16 text) and answers with the result:
//   frame top|bottom [kind]
//                      a further frame (of the first one's kind unless given), shown at the
//                      top of the Z-order, or hidden at its bottom
//   frames <n> <t>     n further frames at the top, the last t of them each on a thread of its
//                      own (with its own message loop); answers how many were built
//   edit <frame>       the address edit of one of our frames
//   raise <frame>      shows a frame at the top of the Z-order
//   changed            how many edits no longer have the window procedure they were created with
//   proc <window>      the window procedure of one of our windows (GWL_WNDPROC), as this
//                      process sees it (another process is not told it)
//   loaded             1 when veko.dll is in the process
//   unload             UninstallHook, then release veko.dll: 1 unloaded, 0 not loaded, -1 stuck
//   stir <ms>          for that long, threads of their own send the edits of the frames on
//                      threads of their own text questions and move, size and show notices
//                      (each handled on the edit's own thread); answers at once
//   stirred            how many rounds of stirring have been done so far
//   stirlost           how many of the stirring's questions an edit answered with nothing (an
//                      edit always has a text limit: 0 means the message never reached it)
//   churn <ms>         for that long, a thread of its own builds frames at the top and destroys
//                      each again after 0-15 ms; answers at once
//   churned            how many frames the churn has destroyed so far
//   lie <A> <B>        the lying edits answer WM_GETTEXTLENGTH with the length of text A and
//                      WM_GETTEXT with text B: each of the two first sets its text
//   lie claim <n>      the lying edits answer WM_GETTEXTLENGTH with n, whatever their text
//   lie off            the lying edits tell the truth again
//   lastread           GetTickCount when a lying edit was last asked for its text (WM_GETTEXT)
//   subclass <edit>    puts a procedure of ours on the edit, above whatever it has now (as an
//                      add-on or autocompletion of the browser would), forwarding everything
//   exit <code>        ends the process at once (ExitProcess), whatever is alive
//   quit               ends the message loop
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BrowserLayouts.h"
#include "HandleText.h"

namespace {

constexpr ULONG_PTR kCommandTag = 0x53544252;  // 'STBR'

FrameOptions g_options;
bool g_lyingEdits = false;
bool g_idle = false;

// Frames are built on the main thread and on threads of their own: every use of the two maps
// holds the lock.
CRITICAL_SECTION g_lock;
std::map<HWND, HWND> g_frames;         // frame -> its address edit
std::map<HWND, LONG_PTR> g_editProcs;  // edit -> procedure at creation

class Locked {
  public:
    Locked() { ::EnterCriticalSection(&g_lock); }
    ~Locked() { ::LeaveCriticalSection(&g_lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

// ---- the lying edit ---------------------------------------------------------------------------

struct Lie {
    std::wstring lengthOf;  // WM_GETTEXTLENGTH first sets this text
    std::wstring text;      // WM_GETTEXT first sets this one
    long claim = -1;        // >= 0: WM_GETTEXTLENGTH answers this, whatever the text
};
Lie g_lie;  // read and written on the main thread only, where the lying edits live
std::map<HWND, WNDPROC> g_lyingNext;
volatile DWORD g_lastTextRead = 0;  // GetTickCount of the last WM_GETTEXT of a lying edit

LRESULT CALLBACK LyingEditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto found = g_lyingNext.find(hwnd);
    if (found == g_lyingNext.end()) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    const WNDPROC next = found->second;
    if (msg == WM_GETTEXT) g_lastTextRead = ::GetTickCount();
    if (msg == WM_GETTEXTLENGTH && g_lie.claim >= 0) return g_lie.claim;
    const std::wstring* set = msg == WM_GETTEXTLENGTH ? &g_lie.lengthOf
                              : msg == WM_GETTEXT     ? &g_lie.text
                                                      : nullptr;
    if (set && !set->empty()) {
        ::CallWindowProcW(next, hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(set->c_str()));
    }
    return ::CallWindowProcW(next, hwnd, msg, wParam, lParam);
}

// ---- a later subclasser ------------------------------------------------------------------------

std::map<HWND, WNDPROC> g_laterNext;  // main thread only

LRESULT CALLBACK LaterSubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto found = g_laterNext.find(hwnd);
    if (found == g_laterNext.end()) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    return ::CallWindowProcW(found->second, hwnd, msg, wParam, lParam);
}

LRESULT SubclassLater(HWND edit) {
    if (!::IsWindow(edit) || g_laterNext.count(edit)) return 0;
    g_laterNext[edit] = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(edit, GWLP_WNDPROC));
    ::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LaterSubclassProc));
    return 1;
}

LRESULT SetLie(std::wistringstream& in) {
    std::wstring first, second;
    in >> first >> second;
    g_lie = Lie();
    if (first == L"off") return 1;
    if (first == L"claim") {
        g_lie.claim = std::wcstol(second.c_str(), nullptr, 0);
        return 1;
    }
    g_lie.lengthOf = first;
    g_lie.text = second;
    return 1;
}

// ---- frames -----------------------------------------------------------------------------------

BuiltFrame AddFrame(bool atBottom = false, const std::wstring& kind = L"") {
    POINT origin;
    {
        Locked lock;
        const LONG step = 30 * static_cast<LONG>(g_frames.size() % 12);
        origin = POINT{40 + step, 40 + step};
    }
    FrameOptions options = g_options;
    if (!kind.empty()) options.kind = kind;
    BuiltFrame built = BuildFrame(options, origin, atBottom);
    if (!built.frame) return built;
    if (g_lyingEdits && built.addressEdit &&
        ::GetCurrentThreadId() == ::GetWindowThreadProcessId(built.frame, nullptr)) {
        g_lyingNext[built.addressEdit] = reinterpret_cast<WNDPROC>(::SetWindowLongPtrW(
            built.addressEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LyingEditProc)));
    }
    Locked lock;
    g_frames[built.frame] = built.addressEdit;
    for (HWND edit : built.edits) g_editProcs[edit] = ::GetWindowLongPtrW(edit, GWLP_WNDPROC);
    return built;
}

void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    } while (::GetTickCount() - start < ms);
}

void RunMessageLoop() {
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// A frame on a thread of its own, as browsers that give each window its own thread have them.
DWORD WINAPI FrameThread(void* ready) {
    AddFrame();
    ::SetEvent(static_cast<HANDLE>(ready));
    RunMessageLoop();
    return 0;
}

LRESULT AddFrames(int count, int onThreads) {
    LRESULT built = 0;
    for (int i = 0; i < count; ++i) {
        if (i < count - onThreads) {
            built += AddFrame().frame != nullptr;
            continue;
        }
        HANDLE ready = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE thread = ::CreateThread(nullptr, 0, FrameThread, ready, 0, nullptr);
        if (thread) {
            built += ::WaitForSingleObject(ready, 10000) == WAIT_OBJECT_0;
            ::CloseHandle(thread);
        }
        ::CloseHandle(ready);
    }
    return built;
}

// ---- stirring and churning --------------------------------------------------------------------

volatile LONG g_stirred = 0;
volatile LONG g_stirLost = 0;
volatile LONG g_churned = 0;

DWORD g_mainThread = 0;

// The live edits of the frames on threads of their own: the main thread, where the library's
// manager runs, is left free for its timers and posted messages.
std::vector<HWND> EditsOnOtherThreads() {
    Locked lock;
    std::vector<HWND> edits;
    for (const auto& [edit, proc] : g_editProcs) {
        if (::IsWindow(edit) && ::GetWindowThreadProcessId(edit, nullptr) != g_mainThread)
            edits.push_back(edit);
    }
    return edits;
}

struct Stirring {
    std::vector<HWND> edits;
    DWORD until;
};

// Messages of every kind that the library's edit procedure treats differently, round after
// round with a short pause between: questions about the text, and the notices of a move, a size
// and a show. None of them makes the edit lay out or paint its text (Wine's text layout is not
// safe on several threads at once); the time-outs keep a thread whose edit's owner went away from
// waiting for it.
DWORD WINAPI StirThread(void* param) {
    std::unique_ptr<Stirring> stirring(static_cast<Stirring*>(param));
    while (static_cast<LONG>(stirring->until - ::GetTickCount()) > 0) {
        for (HWND edit : stirring->edits) {
            DWORD_PTR ignored = 0;
            wchar_t text[64];
            const struct {
                UINT msg;
                WPARAM wParam;
                LPARAM lParam;
            } messages[] = {
                {WM_GETTEXTLENGTH, 0, 0},       {WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text)},
                {WM_MOVE, 0, MAKELPARAM(1, 1)}, {WM_SIZE, SIZE_MINIMIZED, 0},
                {WM_SHOWWINDOW, TRUE, 0},
            };
            for (const auto& m : messages)
                ::SendMessageTimeoutW(edit, m.msg, m.wParam, m.lParam, SMTO_BLOCK, 1000, &ignored);
            DWORD_PTR limit = 0;
            if (::SendMessageTimeoutW(edit, EM_GETLIMITTEXT, 0, 0, SMTO_BLOCK, 1000, &limit) &&
                limit == 0 && ::IsWindow(edit))
                ::InterlockedIncrement(&g_stirLost);
        }
        ::InterlockedIncrement(&g_stirred);
        ::Sleep(15);  // leaves the owners' threads time for their posted messages and timers
    }
    return 0;
}

LRESULT Stir(DWORD ms) {
    const std::vector<HWND> edits = EditsOnOtherThreads();
    constexpr size_t kThreads = 4;
    for (size_t t = 0; t < kThreads; ++t) {
        auto* stirring = new Stirring{{}, ::GetTickCount() + ms};
        for (size_t i = t; i < edits.size(); i += kThreads) stirring->edits.push_back(edits[i]);
        HANDLE thread = ::CreateThread(nullptr, 0, StirThread, stirring, 0, nullptr);
        if (thread) {
            ::CloseHandle(thread);
        } else {
            delete stirring;
        }
    }
    return 1;
}

DWORD WINAPI ChurnThread(void* param) {
    const DWORD until = ::GetTickCount() + static_cast<DWORD>(reinterpret_cast<uintptr_t>(param));
    for (DWORD seed = ::GetCurrentThreadId(); static_cast<LONG>(until - ::GetTickCount()) > 0;) {
        const BuiltFrame built = AddFrame();
        seed = seed * 1103515245 + 12345;
        PumpFor(seed >> 16 & 15);
        if (built.frame) ::DestroyWindow(built.frame);
        ::InterlockedIncrement(&g_churned);
        PumpFor(1);
    }
    RunMessageLoop();  // windows the library made on this thread's behalf keep a living owner
    return 0;
}

LRESULT Churn(DWORD ms) {
    HANDLE thread = ::CreateThread(nullptr, 0, ChurnThread,
                                   reinterpret_cast<void*>(static_cast<uintptr_t>(ms)), 0, nullptr);
    if (!thread) return 0;
    ::CloseHandle(thread);
    return 1;
}

// ---- commands ---------------------------------------------------------------------------------

HWND HandleArg(std::wistringstream& in) {
    std::wstring text;
    in >> text;
    return ParseHandle<HWND>(text);
}

long NumberArg(std::wistringstream& in) {
    std::wstring text;
    in >> text;
    return std::wcstol(text.c_str(), nullptr, 0);
}

LRESULT Unload() {
    HMODULE veko = ::GetModuleHandleW(veko::kLibraryFileName);
    if (!veko) return 0;
    using Uninstall = BOOL(WINAPI*)();
    auto uninstall = reinterpret_cast<Uninstall>(
        reinterpret_cast<void*>(::GetProcAddress(veko, "UninstallHook")));
    if (uninstall) uninstall();
    for (int i = 0; i < 64 && ::GetModuleHandleW(veko::kLibraryFileName); ++i) ::FreeLibrary(veko);
    return ::GetModuleHandleW(veko::kLibraryFileName) ? -1 : 1;
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
    if (verb == L"frames") {
        const long count = NumberArg(in);
        return AddFrames(count, NumberArg(in));
    }
    if (verb == L"edit") {
        const HWND frame = HandleArg(in);
        Locked lock;
        auto it = g_frames.find(frame);
        return it == g_frames.end() ? 0 : reinterpret_cast<LRESULT>(it->second);
    }
    if (verb == L"raise") {
        return ::SetWindowPos(HandleArg(in), HWND_TOP, 0, 0, 0, 0,
                              SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    }
    if (verb == L"changed") {
        Locked lock;
        LRESULT changed = 0;
        for (const auto& [edit, proc] : g_editProcs)
            changed += ::IsWindow(edit) && ::GetWindowLongPtrW(edit, GWLP_WNDPROC) != proc;
        return changed;
    }
    if (verb == L"proc") return ::GetWindowLongPtrW(HandleArg(in), GWLP_WNDPROC);
    if (verb == L"loaded") return ::GetModuleHandleW(veko::kLibraryFileName) != nullptr;
    if (verb == L"unload") return Unload();
    if (verb == L"stir") return Stir(static_cast<DWORD>(NumberArg(in)));
    if (verb == L"stirred") return g_stirred;
    if (verb == L"stirlost") return g_stirLost;
    if (verb == L"churn") return Churn(static_cast<DWORD>(NumberArg(in)));
    if (verb == L"churned") return g_churned;
    if (verb == L"lie") return SetLie(in);
    if (verb == L"lastread") return g_lastTextRead;
    if (verb == L"subclass") return SubclassLater(HandleArg(in));
    if (verb == L"exit") ::ExitProcess(static_cast<UINT>(NumberArg(in)));
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
    for (int i = 2; i < argc; ++i) {
        const std::wstring name = argv[i];
        if (name == L"--lying-edit") {
            g_lyingEdits = true;
        } else if (name == L"--idle") {
            g_idle = true;
        } else if (i + 1 >= argc) {
            return false;
        } else if (name == L"--url") {
            g_options.url = argv[++i];
        } else if (name == L"--ie6-edits") {
            std::wistringstream widths(argv[++i]);
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
        std::fprintf(stderr,
                     "usage: standin_browser <kind> [--url TEXT] [--ie6-edits W,W..] "
                     "[--lying-edit]\n");
        return 2;
    }
    ::InitializeCriticalSection(&g_lock);
    g_mainThread = ::GetCurrentThreadId();
    RegisterLayoutClasses();
    const BuiltFrame built = AddFrame();
    HWND control = CreateControlWindow();
    if (!built.frame || !control) {
        std::fprintf(stderr, "cannot build a frame of kind %ls\n", g_options.kind.c_str());
        return 1;
    }
    std::printf("frame=%s edit=%s control=%s pid=%lu\n", HandleText(built.frame).c_str(),
                HandleText(built.addressEdit).c_str(), HandleText(control).c_str(),
                ::GetCurrentProcessId());
    std::fflush(stdout);

    // A page that is alive: the thread retrieves a message now and then even without input.
    if (!g_idle) ::SetTimer(nullptr, 0, 100, nullptr);
    RunMessageLoop();
    return 0;
}
