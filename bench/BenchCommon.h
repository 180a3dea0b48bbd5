// What every benchmark shares: the clock, medians over repetitions, message pumps, the table row
// and the delivery of verdicts to a result window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "browser/BrowserLayouts.h"
#include "channel/UrlScanResult.h"

constexpr int kRepetitions = 7;
// A figure of a few milliseconds is short against the machine's drift: it is taken more often.
constexpr int kShortRepetitions = 3 * kRepetitions;
constexpr int kVerdicts = 100000;

// Seconds on the performance counter.
double Now();
// The median over the repetitions of `run`'s time divided by `count`, in microseconds.
double MedianMicros(int count, const std::function<void()>& run);
// The median and the largest of `samples`.
double Median(std::vector<double> samples);
double Largest(const std::vector<double>& samples);

void Pump();
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);

// A stand-in Internet Explorer 8 frame of this thread, shown.
BuiltFrame ShownFrame();

struct Row {
    const char* figure;
    double ours;
    double baseline;
    const char* goal;  // empty: reported only
    double ratio = 0;  // 0: ours over baseline
};

// The median over the rounds of each round's own ratio: the machine's speed drifts between
// rounds far more than within one.
double MedianRatio(const std::vector<double>& ours, const std::vector<double>& baseline);
// The median over kShortRepetitions of `start`'s time in milliseconds; `takeDown` follows each,
// untimed, and the messages it left are pumped.
double MedianStartMs(const std::function<void()>& start, const std::function<void()>& takeDown);
// `ours` and `baseline` timed in turns, each run doing `count` operations: the medians per
// operation in microseconds, and the median of the turns' own ratios.
Row InterleavedRow(const char* figure, int count, const std::function<void()>& ours,
                   const std::function<void()>& baseline, const char* goal);

void Deliver(HWND window, const UrlDigest& digest, UrlVerdict verdict);
// `count` verdicts for "http://site<i>.example/", one WM_COPYDATA each.
void Fill(const CUrlScanResult& result, int count);

// The benchmarks' table rows, in the order of the table.
void MessageRows(std::vector<Row>& rows);
void LookupRows(std::vector<Row>& rows);
void ExchangeRow(std::vector<Row>& rows);
void MemoryRow(std::vector<Row>& rows);
void TipRows(std::vector<Row>& rows);

// The modes in which the benchmark starts copies of itself.
int MessagesMode(const std::wstring& mode);
int PeerMode();
int MemoryMode();
int ExchangeStagesMode();
