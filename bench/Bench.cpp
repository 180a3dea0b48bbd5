// The library's cost inside a browser, each figure side by side with its baseline in one run.
//
//   veko_bench.exe            runs every benchmark and prints the table (markdown)
//   veko_bench.exe --messages none|cheap|veko
//                             one process's message figures (hook cost; with veko, edit cost)
//   veko_bench.exe --peer     a result window holding 100,000 verdicts, for the cache exchange
//
// Several repetitions each; the median is quoted. Under Wine, times are noisy: ratios hold.
#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "browser/BrowserLayouts.h"
#include "channel/UrlScanResult.h"
#include "support/ChildProcess.h"

namespace {

constexpr int kRepetitions = 7;
constexpr int kVerdicts = 100000;
const wchar_t kAddress80[] =
    L"http://www.example-shop.com/catalogue/items/2026/12/winter-sale/page.html?id=12345";

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(frequency.QuadPart);
}

// The median over the repetitions of `run`'s time divided by `count`, in microseconds.
double MedianMicros(int count, const std::function<void()>& run) {
    std::vector<double> times;
    for (int r = 0; r < kRepetitions; ++r) {
        const double start = Now();
        run();
        times.push_back((Now() - start) * 1e6 / count);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        Pump();
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// ---- platform MD5 ------------------------------------------------------------------------------

class PlatformMd5 {
  public:
    PlatformMd5() {
        ::CryptAcquireContextW(&m_provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT);
    }
    ~PlatformMd5() { ::CryptReleaseContext(m_provider, 0); }
    void Hash(const void* data, DWORD size) const {
        HCRYPTHASH hash = 0;
        BYTE digest[16];
        DWORD length = sizeof(digest);
        ::CryptCreateHash(m_provider, CALG_MD5, 0, 0, &hash);
        ::CryptHashData(hash, static_cast<const BYTE*>(data), size, 0);
        ::CryptGetHashParam(hash, HP_HASHVAL, digest, &length, 0);
        ::CryptDestroyHash(hash);
    }

  private:
    HCRYPTPROV m_provider = 0;
};

// ---- message figures ---------------------------------------------------------------------------

LRESULT CALLBACK CheapestHook(int code, WPARAM wParam, LPARAM lParam) {
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

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

int MessagesMode(const std::wstring& mode) {
    RegisterLayoutClasses();
    FrameOptions options;
    options.kind = L"ie8";
    options.url = L"http://www.example.com/";
    const BuiltFrame frame = BuildFrame(options, POINT{40, 40}, false);
    ::ShowWindow(frame.frame, SW_SHOWNA);
    HWND sink = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                  nullptr);
    std::unique_ptr<ChildProcess> mainProgram;
    HHOOK cheap = nullptr;
    if (mode == L"cheap") {
        cheap = ::SetWindowsHookExW(WH_GETMESSAGE, CheapestHook, nullptr, ::GetCurrentThreadId());
    } else if (mode == L"veko") {
        const auto original = ::GetWindowLongW(frame.addressEdit, GWL_WNDPROC);
        wchar_t hwnd[16];
        std::swprintf(hwnd, 16, L"0x%08lX",
                      static_cast<unsigned long>(reinterpret_cast<uintptr_t>(frame.frame)));
        mainProgram =
            ChildProcess::Start(L"koxQNMain.exe", std::wstring(L"install --hold --hwnd ") + hwnd);
        const std::string installed = mainProgram ? mainProgram->ReadLine(10000) : "";
        if (installed.find("hook=0x00000000") != std::string::npos || installed.empty()) {
            std::printf("error=the main program could not hook the frame: %s\n", installed.c_str());
            return 1;
        }
        if (!PumpUntil([&] { return ::GetWindowLongW(frame.addressEdit, GWL_WNDPROC) != original; },
                       15000)) {
            std::printf("error=the library did not serve the edit\n");
            return 1;
        }
        PumpUntil([] { return false; }, 1000);  // the tip settles
    }
    std::printf("posted=%.3f\n", PerPostedMessage(sink));
    if (mode == L"veko") {
        HWND forward = PlainEdit(frame.frame, 200);
        g_forwardOld = reinterpret_cast<WNDPROC>(
            ::SetWindowLongW(forward, GWL_WNDPROC, LONG(reinterpret_cast<LONG_PTR>(ForwardOnly))));
        HWND plain = PlainEdit(frame.frame, 240);
        std::printf("served=%.3f forward=%.3f plain=%.3f\n", PerEditMessage(frame.addressEdit),
                    PerEditMessage(forward), PerEditMessage(plain));
    }
    std::fflush(stdout);
    if (cheap) ::UnhookWindowsHookEx(cheap);
    return 0;
}

std::map<std::string, double> RunChild(const std::wstring& arguments) {
    std::map<std::string, double> figures;
    auto child = ChildProcess::Start(L"veko_bench.exe", arguments);
    if (!child) return figures;
    for (int lines = 0; lines < 2; ++lines) {
        const std::string line = child->ReadLine(120000);
        if (line.empty()) break;
        for (const auto& field : ParseFields(line))
            figures[field.first] = std::atof(field.second.c_str());
    }
    child->Wait(20000);
    return figures;
}

// ---- verdict figures ---------------------------------------------------------------------------

void Deliver(HWND window, const UrlDigest& digest, UrlVerdict verdict) {
    const ResultRecord record = MakeResultRecord(digest, verdict);
    COPYDATASTRUCT data = {veko::kCopyDataMagic, sizeof(record),
                           const_cast<ResultRecord*>(&record)};
    ::SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
}

void Fill(const CUrlScanResult& result, int count) {
    for (int i = 0; i < count; ++i) {
        const std::wstring address = L"http://site" + std::to_wstring(i) + L".example/";
        Deliver(result.GetHwnd(), ComputeUrlDigest(address.c_str()), UrlVerdict(i));
    }
}

int PeerMode() {
    CUrlScanResult peer;
    Fill(peer, kVerdicts);
    std::printf("window=%lu\n",
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(peer.GetHwnd())));
    std::fflush(stdout);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}

struct Row {
    const char* figure;
    double ours;
    double baseline;
    const char* unit;
    const char* goal;  // empty: reported only
};

void LookupRows(std::vector<Row>& rows) {
    CUrlScanResult result;
    Fill(result, kVerdicts - 1);
    Deliver(result.GetHwnd(), ComputeUrlDigest(kAddress80), 0x11);
    UrlVerdict verdict = 0;
    constexpr int kLookups = 20000;
    const double ours = MedianMicros(kLookups, [&] {
        for (int i = 0; i < kLookups; ++i) result.LookupVerdict(kAddress80, &verdict);
    });
    PlatformMd5 md5;
    const double platform = MedianMicros(kLookups, [&] {
        for (int i = 0; i < kLookups; ++i) md5.Hash(kAddress80, DWORD(wcslen(kAddress80) * 2));
    });
    rows.push_back({"lookup of an 80-character address among 100,000 verdicts (µs)", ours, platform,
                    "µs", "<= 0.5"});

    std::vector<char16_t> mebibyte(512 * 1024);
    for (size_t i = 0; i < mebibyte.size(); ++i) mebibyte[i] = char16_t(i * 2654435761u >> 16);
    constexpr int kRounds = 20;
    const double ourDigest = MedianMicros(kRounds, [&] {
        for (int i = 0; i < kRounds; ++i) DigestOfUnits(mebibyte.data(), mebibyte.size());
    });
    const double platformDigest = MedianMicros(kRounds, [&] {
        for (int i = 0; i < kRounds; ++i) md5.Hash(mebibyte.data(), DWORD(mebibyte.size() * 2));
    });
    // Throughput in MB/s: the ratio ours over the platform's is then higher for better.
    rows.push_back({"digest throughput on 1 MiB (MB/s)", 1.048576e6 / ourDigest,
                    1.048576e6 / platformDigest, "MB/s", ">= 1.0"});
}

void ExchangeRow(std::vector<Row>& rows) {
    auto peer = ChildProcess::Start(L"veko_bench.exe", L"--peer");
    if (!peer || peer->ReadLine(120000).rfind("window=", 0) != 0) return;
    const double ours = MedianMicros(1, [] {
        CUrlScanResult fresh;
        PumpUntil([&] { return fresh.Results().Size() >= size_t(kVerdicts); }, 60000);
    });
    wchar_t directory[MAX_PATH];
    ::GetTempPathW(MAX_PATH, directory);
    const std::wstring path = std::wstring(directory) + L"veko_bench_raw.tmp";
    std::vector<uint8_t> bytes(size_t(kVerdicts) * sizeof(ResultRecord), 0x61);
    const double raw = MedianMicros(1, [&] {
        HANDLE out = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD done = 0;
        ::WriteFile(out, bytes.data(), DWORD(bytes.size()), &done, nullptr);
        ::CloseHandle(out);
        HANDLE in = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ::ReadFile(in, bytes.data(), DWORD(bytes.size()), &done, nullptr);
        ::CloseHandle(in);
        ::DeleteFileW(path.c_str());
    });
    rows.push_back({"cache exchange of 100,000 verdicts from a peer (ms)", ours / 1000, raw / 1000,
                    "ms", "<= 2"});
}

void MessageRows(std::vector<Row>& rows) {
    const auto none = RunChild(L"--messages none");
    const auto cheap = RunChild(L"--messages cheap");
    const auto veko = RunChild(L"--messages veko");
    if (!veko.count("posted") || !cheap.count("posted") || !none.count("posted")) return;
    rows.push_back({"hook cost per posted message (µs)", veko.at("posted"), cheap.at("posted"),
                    "µs", "<= 1.05"});
    rows.push_back(
        {"  the same against no hook at all (µs)", veko.at("posted"), none.at("posted"), "µs", ""});
    if (!veko.count("served")) return;
    rows.push_back({"edit cost per SendMessageW to the address edit (µs)", veko.at("served"),
                    veko.at("forward"), "µs", "<= 1.3"});
    rows.push_back({"  the same against an edit nobody serves (µs)", veko.at("served"),
                    veko.at("plain"), "µs", ""});
}

int RunAll() {
    std::vector<Row> rows;
    MessageRows(rows);
    LookupRows(rows);
    ExchangeRow(rows);
    std::printf("| figure | ours | baseline | ratio | goal |\n|---|---:|---:|---:|---|\n");
    for (const Row& row : rows) {
        std::printf("| %s | %.3f | %.3f | %.2f | %s |\n", row.figure, row.ours, row.baseline,
                    row.ours / row.baseline, row.goal[0] ? row.goal : "(reported)");
    }
    return 0;
}

}  // namespace

// Where the exchange's time goes: construction (window, peer search, request), the wait until
// every verdict is merged, and destruction.
int ExchangeStagesMode() {
    auto peer = ChildProcess::Start(L"veko_bench.exe", L"--peer");
    if (!peer || peer->ReadLine(120000).rfind("window=", 0) != 0) return 1;
    for (int r = 0; r < kRepetitions; ++r) {
        const double t0 = Now();
        auto fresh = std::make_unique<CUrlScanResult>();
        const double t1 = Now();
        PumpUntil([&] { return fresh->Results().Size() >= size_t(kVerdicts); }, 60000);
        const double t2 = Now();
        fresh.reset();
        const double t3 = Now();
        std::printf("construct=%.2fms merged=%.2fms destroy=%.2fms\n", (t1 - t0) * 1e3,
                    (t2 - t1) * 1e3, (t3 - t2) * 1e3);
    }
    return 0;
}

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"--exchange-stages") return ExchangeStagesMode();
    if (mode == L"--messages" && argc > 2) return MessagesMode(argv[2]);
    if (mode == L"--peer") return PeerMode();
    return RunAll();
}
