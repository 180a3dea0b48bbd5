// Hook cost and edit cost: each measured in a process of its own (the stand-in browser's frame
// built in this process), with no hook, the cheapest hook, or the library hooked in by the
// stand-in main program.
#include <cstdio>
#include <map>
#include <memory>

#include "BenchCommon.h"
#include "browser/BrowserLayouts.h"
#include "support/ChildProcess.h"

namespace {

constexpr wchar_t kCheapHookModule[] = L"veko_cheap_hook.dll";
constexpr int kRounds = 5;

WNDPROC g_forwardOld = nullptr;
LRESULT CALLBACK ForwardOnly(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::CallWindowProcW(g_forwardOld, hwnd, msg, wParam, lParam);
}

double PerPostedMessage(HWND target) {
    constexpr int kMessages = 4000;
    return MedianMicros(kMessages, [&] {
        MSG msg;
        for (int i = 0; i < kMessages; ++i) {
            ::PostMessageW(target, WM_USER + 7, 0, 0);
            ::GetMessageW(&msg, nullptr, 0, 0);
            ::DispatchMessageW(&msg);
        }
    });
}

double PerEditMessage(HWND edit) {
    constexpr int kMessages = 20000;
    return MedianMicros(kMessages, [&] {
        for (int i = 0; i < kMessages; ++i) ::SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0);
    });
}

HWND PlainEdit(HWND parent, int y) {
    return ::CreateWindowExW(0, L"Edit", L"http://plain.example/", WS_CHILD | WS_VISIBLE, 10, y,
                             300, 22, parent, nullptr, nullptr, nullptr);
}

}  // namespace

int MessagesMode(const std::wstring& mode) {
    const BuiltFrame frame = ShownFrame();
    HWND sink = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                  nullptr);
    std::unique_ptr<ChildProcess> mainProgram;
    if (mode == L"cheap") {
        // The parent process hooks this thread with the cheapest hook from a DLL of its own, the
        // way the main program hooks a browser with the library.
        std::printf("thread=%lu\n", ::GetCurrentThreadId());
        std::fflush(stdout);
        // A hook runs only as a message is retrieved: keep one coming.
        const auto arrived = [sink] {
            ::PostMessageW(sink, WM_NULL, 0, 0);
            return ::GetModuleHandleW(kCheapHookModule) != nullptr;
        };
        if (!PumpUntil(arrived, 15000)) {
            std::printf("error=the cheapest hook did not arrive\n");
            return 1;
        }
        PumpUntil([] { return false; }, 1000);
    } else if (mode == L"veko") {
        const auto original = ::GetWindowLongPtrW(frame.addressEdit, GWLP_WNDPROC);
        mainProgram = ChildProcess::Start(L"koxQNMain.exe",
                                          L"install --hold --hwnd " + HandleTextW(frame.frame));
        const std::string installed = mainProgram ? mainProgram->ReadLine(10000) : "";
        if (!HandleFromText<HHOOK>(ParseFields(installed)["hook"])) {
            std::printf("error=the main program could not hook the frame: %s\n", installed.c_str());
            return 1;
        }
        const auto served = [&] {
            ::PostMessageW(sink, WM_NULL, 0, 0);
            return ::GetWindowLongPtrW(frame.addressEdit, GWLP_WNDPROC) != original;
        };
        if (!PumpUntil(served, 15000)) {
            std::printf("error=the library did not serve the edit\n");
            return 1;
        }
        PumpUntil([] { return false; }, 1000);  // the tip settles
    }
    std::printf("posted=%.3f\n", PerPostedMessage(sink));
    if (mode == L"veko") {
        HWND forward = PlainEdit(frame.frame, 200);
        g_forwardOld = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrW(forward, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ForwardOnly)));
        HWND plain = PlainEdit(frame.frame, 240);
        std::printf("served=%.3f forward=%.3f plain=%.3f\n", PerEditMessage(frame.addressEdit),
                    PerEditMessage(forward), PerEditMessage(plain));
    }
    std::fflush(stdout);
    return 0;
}

namespace {

// Hooks the thread that a child names with the cheapest hook: a procedure in a DLL that only
// calls CallNextHookEx.
class CheapHook {
  public:
    explicit CheapHook(DWORD threadId) : m_module(::LoadLibraryW(kCheapHookModule)) {
        const auto proc = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void*>(::GetProcAddress(m_module, "CheapestHook")));
        if (proc) m_hook = ::SetWindowsHookExW(WH_GETMESSAGE, proc, m_module, threadId);
    }
    ~CheapHook() {
        if (m_hook) ::UnhookWindowsHookEx(m_hook);
        if (m_module) ::FreeLibrary(m_module);
    }
    CheapHook(const CheapHook&) = delete;
    CheapHook& operator=(const CheapHook&) = delete;

  private:
    HMODULE m_module;
    HHOOK m_hook = nullptr;
};

using Figures = std::map<std::string, std::vector<double>>;

// One child's figures, added to `figures`.
void RunChild(const std::wstring& arguments, Figures& figures) {
    auto child = ChildProcess::Start(L"veko_bench.exe", arguments);
    if (!child) return;
    std::unique_ptr<CheapHook> hook;
    for (int lines = 0; lines < 3; ++lines) {
        const std::string line = child->ReadLine(120000);
        if (line.empty()) break;
        for (const auto& field : ParseFields(line)) {
            if (field.first == "thread") {
                hook = std::make_unique<CheapHook>(DWORD(std::stoul(field.second)));
            } else {
                figures[field.first].push_back(std::atof(field.second.c_str()));
                std::fprintf(stderr, "%ls %s=%s\n", arguments.c_str(), field.first.c_str(),
                             field.second.c_str());
            }
        }
    }
    child->Wait(20000);
}

}  // namespace

// The three kinds of process take turns, so that the machine's drift hits each alike; a round
// counts only when all three gave their figures.
void MessageRows(std::vector<Row>& rows) {
    Figures none, cheap, veko;
    for (int round = 0; round < kRounds; ++round) {
        Figures n, c, v;
        RunChild(L"--messages none", n);
        RunChild(L"--messages cheap", c);
        RunChild(L"--messages veko", v);
        if (!n.count("posted") || !c.count("posted") || !v.count("served")) continue;
        const std::pair<Figures*, Figures*> merges[] = {{&n, &none}, {&c, &cheap}, {&v, &veko}};
        for (const auto& merge : merges) {
            for (const auto& figure : *merge.first)
                (*merge.second)[figure.first].push_back(figure.second.front());
        }
    }
    if (veko["posted"].empty()) return;
    const auto row = [&rows](const char* figure, const std::vector<double>& ours,
                             const std::vector<double>& baseline, const char* goal) {
        rows.push_back({figure, Median(ours), Median(baseline), goal, MedianRatio(ours, baseline)});
    };
    row("hook cost per posted message (µs)", veko["posted"], cheap["posted"], "<= 1.05");
    row("  the same against no hook at all (µs)", veko["posted"], none["posted"], "");
    row("edit cost per SendMessageW to the address edit (µs)", veko["served"], veko["forward"],
        "<= 1.3");
    row("  the same against an edit nobody serves (µs)", veko["served"], veko["plain"], "");
}
