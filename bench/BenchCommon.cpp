#include "BenchCommon.h"

#include <algorithm>

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

double Median(std::vector<double> samples) {
    if (samples.empty()) return 0;
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

double Largest(const std::vector<double>& samples) {
    return samples.empty() ? 0 : *std::max_element(samples.begin(), samples.end());
}

double MedianMicros(int count, const std::function<void()>& run) {
    std::vector<double> times;
    for (int r = 0; r < kRepetitions; ++r) {
        const double start = Now();
        run();
        times.push_back((Now() - start) * 1e6 / count);
    }
    return Median(times);
}

// The median over the rounds of each round's own ratio: the machine's speed drifts between
// rounds far more than within one.
double MedianRatio(const std::vector<double>& ours, const std::vector<double>& baseline) {
    std::vector<double> ratios;
    for (size_t i = 0; i < ours.size() && i < baseline.size(); ++i)
        ratios.push_back(ours[i] / baseline[i]);
    return Median(ratios);
}

Row InterleavedRow(const char* figure, int count, const std::function<void()>& ours,
                   const std::function<void()>& baseline, const char* goal) {
    std::vector<double> oursTimes, baselineTimes;
    for (int r = 0; r < kRepetitions; ++r) {
        double start = Now();
        ours();
        oursTimes.push_back((Now() - start) * 1e6 / count);
        start = Now();
        baseline();
        baselineTimes.push_back((Now() - start) * 1e6 / count);
    }
    return Row{figure, Median(oursTimes), Median(baselineTimes), goal,
               MedianRatio(oursTimes, baselineTimes)};
}

double MedianStartMs(const std::function<void()>& start, const std::function<void()>& takeDown) {
    std::vector<double> starts;
    for (int r = 0; r < kShortRepetitions; ++r) {
        const double begin = Now();
        start();
        starts.push_back((Now() - begin) * 1000);
        takeDown();
        Pump();
    }
    return Median(starts);
}

void Pump() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        Pump();
        if (done()) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

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

BuiltFrame ShownFrame() {
    RegisterLayoutClasses();
    FrameOptions options;
    options.kind = L"ie8";
    options.url = L"http://www.example.com/";
    const BuiltFrame frame = BuildFrame(options, POINT{40, 40}, false);
    ::ShowWindow(frame.frame, SW_SHOWNA);
    Pump();
    return frame;
}
