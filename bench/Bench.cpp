// The library's cost inside a browser, each figure side by side with its baseline in one run.
//
//   veko_bench.exe            runs every benchmark and prints the table (markdown)
//   veko_bench.exe --messages none|cheap|veko
//                             one process's message figures (hook cost; with veko, edit cost)
//   veko_bench.exe --peer     a result window holding 100,000 verdicts, for the cache exchange
//   veko_bench.exe --memory   the process memory a result window takes per verdict
//   veko_bench.exe --only messages|lookup|exchange|memory|tip
//                             one group of figures alone
//   veko_bench.exe --exchange-stages
//                             where the cache exchange's time goes
//
// Several repetitions each; the median is quoted. Under Wine, times are noisy: ratios hold.
#include <cstdio>

#include "BenchCommon.h"

namespace {

void PrintTable(const std::vector<Row>& rows) {
    std::printf("| figure | ours | baseline | ratio | goal |\n|---|---:|---:|---:|---|\n");
    for (const Row& row : rows) {
        std::printf("| %s | %.3f | %.3f | %.2f | %s |\n", row.figure, row.ours, row.baseline,
                    row.ratio ? row.ratio : row.ours / row.baseline,
                    row.goal[0] ? row.goal : "(reported)");
    }
}

int RunAll() {
    std::vector<Row> rows;
    MessageRows(rows);
    LookupRows(rows);
    ExchangeRow(rows);
    MemoryRow(rows);
    TipRows(rows);
    PrintTable(rows);
    return 0;
}

// One group of rows alone, while working on it.
int OnlyMode(const std::wstring& group) {
    std::vector<Row> rows;
    if (group == L"messages") MessageRows(rows);
    if (group == L"lookup") LookupRows(rows);
    if (group == L"exchange") ExchangeRow(rows);
    if (group == L"memory") MemoryRow(rows);
    if (group == L"tip") TipRows(rows);
    if (rows.empty()) return 1;
    PrintTable(rows);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"--exchange-stages") return ExchangeStagesMode();
    if (mode == L"--messages" && argc > 2) return MessagesMode(argv[2]);
    if (mode == L"--peer") return PeerMode();
    if (mode == L"--memory") return MemoryMode();
    if (mode == L"--only" && argc > 2) return OnlyMode(argv[2]);
    return RunAll();
}
