// The badge and the pop-up, built in this process over a stand-in browser frame: one frame of the
// pop-up, the badge's start, and the time from a pushed verdict to the badge's repaint.
#include <memory>

#include "BenchCommon.h"
#include "browser/BrowserLayouts.h"
#include "image/DrawHelpers.h"
#include "image/PngResource.h"
#include "tipui/WndAddressTip.h"
#include "tipui/WndPopTip.h"
#include "veko.h"

namespace {

constexpr double kTickMs = 800;

void PopupRow(std::vector<Row>& rows) {
    HWND owner = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   nullptr, nullptr);
    CWndPopTip tip(owner, 100, 100, 311, 321);
    Pump();
    constexpr int kFrames = 200;
    const double ours = MedianMicros(kFrames, [&] {
        for (int i = 0; i < kFrames; ++i) tip.Redraw();
    });
    // The same window handed a frame that is ready: premultiplied, in a memory DC.
    FCObjImage ready;
    PrepareResourceImage(ready, 311);
    MemoryDCScope scope(ready.GetBitmapHandle());
    POINT origin = {100, 100};
    SIZE size = {ready.GetWidth(), ready.GetHeight()};
    POINT source = {0, 0};
    BLENDFUNCTION blend = kPerPixelAlphaBlend;
    const double raw = MedianMicros(kFrames, [&] {
        for (int i = 0; i < kFrames; ++i) {
            ::UpdateLayeredWindow(tip.GetHwnd(), nullptr, &origin, &size, scope.Get(), &source, 0,
                                  &blend, ULW_ALPHA);
        }
    });
    ::DestroyWindow(owner);
    rows.push_back({"pop-up frame: one Redraw of the 340 x 216 pop-up (µs)", ours, raw, "<= 1.5"});
}

// Loading and freeing the decoder beside this module, as the picture loader does per picture.
double DecoderLoadAndFreeMs() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring decoder = path;
    decoder = decoder.substr(0, decoder.find_last_of(L'\\') + 1) + veko::kDecoderFileName;
    constexpr int kLoads = 20;
    return MedianMicros(kLoads,
                        [&] {
                            for (int i = 0; i < kLoads; ++i) {
                                HMODULE module = ::LoadLibraryW(decoder.c_str());
                                ::GetProcAddress(module, "DecodePNG");
                                ::FreeLibrary(module);
                            }
                        }) /
           1000;
}

// The platform's floor of a badge's start: its three windows (a hidden top-level one for the
// results, the tip over the edit and the badge within it) created bare and painted.
double BareWindowsMs(HWND parent) {
    HWND results = nullptr;
    HWND tip = nullptr;
    return MedianStartMs(
        [&] {
            results = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 3, 3, nullptr, nullptr,
                                        nullptr, nullptr);
            tip = ::CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0,
                                    0, 16, 16, parent, nullptr, nullptr, nullptr);
            ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 16, 16, tip, nullptr,
                              nullptr, nullptr);
            ::RedrawWindow(tip, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        },
        [&] {
            ::DestroyWindow(tip);
            ::DestroyWindow(results);
        });
}

void BadgeStartRows(std::vector<Row>& rows, const BuiltFrame& frame) {
    // Each badge is timed from its construction until it has painted; taking it down again is
    // not part of its start.
    std::unique_ptr<CWndAddressTip> tip;
    const double start = MedianStartMs(
        [&] {
            tip = std::make_unique<CWndAddressTip>(::GetParent(frame.addressEdit),
                                                   frame.addressEdit, BrowserIE8);
            ::RedrawWindow(tip->GetHwnd(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        },
        [&] { tip.reset(); });
    const double bare = BareWindowsMs(::GetParent(frame.addressEdit));
    // The badge's four pictures share one binding of the decoder.
    const double decoder = DecoderLoadAndFreeMs();
    rows.push_back(
        {"badge start: address tip constructed to badge painted (ms)", start, bare, "<= 5 ms"});
    rows.push_back({"  of which loading and freeing the decoder (ms, share)", decoder, start, ""});
}

// From the moment a verdict is in the badge's cache until the badge has repainted with it.
std::vector<double> VerdictLatenciesMs(const BuiltFrame& frame) {
    CWndAddressTip tip(::GetParent(frame.addressEdit), frame.addressEdit, BrowserIE8);
    HWND badge = tip.GetTipButton().GetHwnd();
    std::vector<double> latencies;
    for (int r = 0; r < kRepetitions; ++r) {
        const std::wstring address = L"http://latency" + std::to_wstring(r) + L".example/";
        ::SetWindowTextW(frame.addressEdit, address.c_str());
        // The badge has shown "no verdict"; then the push lands at a different point of the
        // tick in each repetition.
        PumpUntil([] { return false; }, DWORD(kTickMs * (1.2 + double(r) / kRepetitions)));
        Deliver(tip.GetTipButton().GetScanResult().GetHwnd(), ComputeUrlDigest(address.c_str()),
                veko::MakeVerdict(veko::kClassTrojan, 1));
        const double pushed = Now();
        MSG msg;
        while (Now() - pushed < 3 * kTickMs / 1000 && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::DispatchMessageW(&msg);
            if (msg.hwnd == badge && msg.message == WM_PAINT) {
                latencies.push_back((Now() - pushed) * 1000);
                break;
            }
        }
    }
    return latencies;
}

// One pushed verdict (for an address the badge does not show, as most are) until everything it
// sets off is done, in microseconds.
double PushMicros(HWND resultWindow) {
    constexpr int kPushes = 200;
    int round = 0;
    return MedianMicros(kPushes, [&] {
        ++round;
        for (int i = 0; i < kPushes; ++i) {
            const std::wstring address =
                L"http://push" + std::to_wstring(round) + L"-" + std::to_wstring(i) + L".example/";
            Deliver(resultWindow, ComputeUrlDigest(address.c_str()), UrlVerdict(i));
            Pump();
        }
    });
}

// A badge's result window, which has the badge look its address up again after each push,
// against a result window alone, which leaves that to the badge's next tick.
void PushCostRow(std::vector<Row>& rows, const BuiltFrame& frame) {
    CWndAddressTip tip(::GetParent(frame.addressEdit), frame.addressEdit, BrowserIE8);
    Pump();
    const double ours = PushMicros(tip.GetTipButton().GetScanResult().GetHwnd());
    CUrlScanResult alone;
    Pump();
    const double baseline = PushMicros(alone.GetHwnd());
    rows.push_back({"push cost per WM_COPYDATA, the badge taking it up at once (µs)", ours,
                    baseline, "<= 1.2"});
}

}  // namespace

void TipRows(std::vector<Row>& rows) {
    PopupRow(rows);
    const BuiltFrame frame = ShownFrame();
    BadgeStartRows(rows, frame);
    const std::vector<double> latencies = VerdictLatenciesMs(frame);
    // The baseline is the badge's tick, which the verdict used to wait for.
    rows.push_back(
        {"verdict latency, push to repaint, median (ms)", Median(latencies), kTickMs, "<= 30 ms"});
    rows.push_back(
        {"verdict latency, push to repaint, worst (ms)", Largest(latencies), kTickMs, "<= 60 ms"});
    PushCostRow(rows, frame);
    ::DestroyWindow(frame.frame);
}
