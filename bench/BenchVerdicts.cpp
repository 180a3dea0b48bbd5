// The verdict cache: lookup, digest throughput, the exchange with a peer and memory per verdict.
#include <windows.h>
// (after windows.h)
#include <psapi.h>
#include <wincrypt.h>

#include <cstdio>
#include <memory>

#include "BenchCommon.h"
#include "channel/TempFileExchange.h"
#include "support/ChildProcess.h"

namespace {

const wchar_t kAddress80[] =
    L"http://www.example-shop.com/catalogue/items/2026/12/winter-sale/page.html?id=12345";

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

}  // namespace

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

void LookupRows(std::vector<Row>& rows) {
    CUrlScanResult result;
    Fill(result, kVerdicts - 1);
    Deliver(result.GetHwnd(), ComputeUrlDigest(kAddress80), 0x11);
    UrlVerdict verdict = 0;
    constexpr int kLookups = 20000;
    PlatformMd5 md5;
    rows.push_back(InterleavedRow(
        "lookup of an 80-character address among 100,000 verdicts (µs)", kLookups,
        [&] {
            for (int i = 0; i < kLookups; ++i) result.LookupVerdict(kAddress80, &verdict);
        },
        [&] {
            for (int i = 0; i < kLookups; ++i) md5.Hash(kAddress80, DWORD(wcslen(kAddress80) * 2));
        },
        "<= 0.4"));

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
                    1.048576e6 / platformDigest, ">= 1.0"});
}

namespace {

// Writes `bytes` to a new file and reads them back into fresh memory, as the exchange must land
// them in memory of its own. The file is made new, as the exchange makes its files (under Wine on
// Linux, one truncated first costs a flush to disk when it is deleted).
void WriteAndReadRaw(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<uint8_t[]> landed(new uint8_t[bytes.size()]);
    HANDLE out = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD done = 0;
    ::WriteFile(out, bytes.data(), DWORD(bytes.size()), &done, nullptr);
    ::CloseHandle(out);
    HANDLE in = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ::ReadFile(in, landed.get(), DWORD(bytes.size()), &done, nullptr);
    ::CloseHandle(in);
    ::DeleteFileW(path.c_str());
}

}  // namespace

void ExchangeRow(std::vector<Row>& rows) {
    auto peer = ChildProcess::Start(L"veko_bench.exe", L"--peer");
    if (!peer || peer->ReadLine(120000).rfind("window=", 0) != 0) return;
    wchar_t directory[MAX_PATH];
    ::GetTempPathW(MAX_PATH, directory);
    const std::wstring path = std::wstring(directory) + L"veko_bench_raw.tmp";
    ::DeleteFileW(path.c_str());
    const std::vector<uint8_t> bytes(size_t(kVerdicts) * sizeof(ResultRecord), 0x61);
    // The two take turns.
    std::vector<double> ours, raw;
    for (int turn = 0; turn <= kShortRepetitions; ++turn) {
        // From construction until the last verdict is merged; the window's destruction does not
        // count. The first turn warms both up and is not counted.
        double start = Now();
        auto fresh = std::make_unique<CUrlScanResult>();
        PumpUntil([&] { return fresh->Results().Size() >= size_t(kVerdicts); }, 60000);
        const double exchanged = (Now() - start) * 1e3;
        fresh.reset();
        Pump();
        start = Now();
        WriteAndReadRaw(path, bytes);
        if (turn == 0) continue;
        ours.push_back(exchanged);
        raw.push_back((Now() - start) * 1e3);
    }
    rows.push_back({"cache exchange of 100,000 verdicts from a peer (ms)", Median(ours),
                    Median(raw), "<= 1.3", MedianRatio(ours, raw)});
}

namespace {

SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
    return counters.PagefileUsage;
}

}  // namespace

// The growth of the process's private memory while a result window takes 100,000 verdicts one
// push at a time, per verdict; in a fresh process, so that no earlier benchmark's heap counts.
// What the verdicts add to a result window that holds none: the window itself (under Wine most
// of a megabyte of X resources in 64 bits) is paid once, however many verdicts it holds.
int MemoryMode() {
    CUrlScanResult result;
    const SIZE_T before = PrivateBytes();
    Fill(result, kVerdicts);
    const SIZE_T after = PrivateBytes();
    std::printf("bytes=%.1f\n", double(after - before) / kVerdicts);
    std::fflush(stdout);
    return 0;
}

void MemoryRow(std::vector<Row>& rows) {
    auto child = ChildProcess::Start(L"veko_bench.exe", L"--memory");
    if (!child) return;
    const auto fields = ParseFields(child->ReadLine(120000));
    child->Wait(20000);
    if (!fields.count("bytes")) return;
    rows.push_back(
        {"memory per cached verdict, 100,000 pushed one by one into an empty result window "
         "(bytes; baseline: the 36-byte record)",
         std::atof(fields.at("bytes").c_str()), double(sizeof(ResultRecord)), "<= 24 bytes"});
}

// Where the exchange's time goes: construction (window, peer search, request), the wait until
// every verdict is merged, and destruction.
int ExchangeStagesMode() {
    auto peer = ChildProcess::Start(L"veko_bench.exe", L"--peer");
    if (!peer || peer->ReadLine(120000).rfind("window=", 0) != 0) return 1;
    {
        CUrlScanResult full;
        Fill(full, kVerdicts);
        VerdictCache cache;
        for (int r = 0; r < kRepetitions; ++r) {
            const double t0 = Now();
            WriteCacheFile(full.GetHwnd(), nullptr, full.Results());
            const double t1 = Now();
            VerdictCache fresh;
            ReadCacheFile(reinterpret_cast<WPARAM>(full.GetHwnd()), fresh);
            const double t2 = Now();
            const std::vector<uint8_t> bytes = full.Results().Serialize();
            const double t3 = Now();
            VerdictCache merged;
            merged.MergeRecords(bytes.data(), bytes.size());
            const double t4 = Now();
            std::printf("write=%.2fms read+merge=%.2fms n=%u merge-from-memory=%.2fms\n",
                        (t1 - t0) * 1e3, (t2 - t1) * 1e3, unsigned(fresh.Size()), (t4 - t3) * 1e3);
        }
    }
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
