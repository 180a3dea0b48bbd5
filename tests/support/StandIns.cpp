#include "support/StandIns.h"

#include <cstdio>
#include <fstream>

#include "support/TempDir.h"
#include "support/WindowQueries.h"

namespace {

constexpr ULONG_PTR kCommandTag = 0x53544252;  // 'STBR'

}  // namespace

std::wstring HexText(const void* handle) { return HandleTextW(handle); }

StandInBrowser::StandInBrowser(const std::wstring& kind, const std::wstring& options,
                               const std::wstring& program)
    : m_process(ChildProcess::Start(program, kind + L" " + options)) {
    if (!m_process) return;
    auto fields = ParseFields(m_process->ReadLine(10000));
    if (!fields.count("frame")) return;
    m_frame = HandleFromText<HWND>(fields["frame"]);
    m_edit = HandleFromText<HWND>(fields["edit"]);
    m_control = HandleFromText<HWND>(fields["control"]);
}

StandInBrowser::~StandInBrowser() {
    if (!m_process) return;
    DWORD_PTR ignored = 0;
    if (m_control) {
        const std::wstring quit = L"quit";
        COPYDATASTRUCT data = {kCommandTag, static_cast<DWORD>(quit.size() * sizeof(wchar_t)),
                               const_cast<wchar_t*>(quit.c_str())};
        ::SendMessageTimeoutW(m_control, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                              SMTO_ABORTIFHUNG, 2000, &ignored);
    }
    if (!m_process->Wait(3000)) m_process->Terminate();
}

LRESULT StandInBrowser::Command(const std::wstring& command) {
    COPYDATASTRUCT data = {kCommandTag, static_cast<DWORD>(command.size() * sizeof(wchar_t)),
                           const_cast<wchar_t*>(command.c_str())};
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(m_control, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, 10000, &result)) {
        return -1000;  // the browser did not answer
    }
    return static_cast<LRESULT>(result);
}

HWND StandInBrowser::NewFrame(bool onTop, const std::wstring& kind) {
    return reinterpret_cast<HWND>(
        Command(std::wstring(onTop ? L"frame top " : L"frame bottom ") + kind));
}

HWND StandInBrowser::EditOf(HWND frame) {
    return reinterpret_cast<HWND>(Command(L"edit " + HexText(frame)));
}

MainProgram::MainProgram(HWND frame, const std::wstring& program)
    : m_process(ChildProcess::Start(program, L"install --hold --hwnd " + HexText(frame))) {
    if (!m_process) return;
    auto fields = ParseFields(m_process->ReadLine(10000));
    if (fields.count("hook")) m_hook = HandleFromText<HHOOK>(fields["hook"]);
}

MainProgram::~MainProgram() { Stop(); }

void MainProgram::Stop() {
    if (!m_process) return;
    ::PostThreadMessageW(m_process->ThreadId(), WM_QUIT, 0, 0);
    if (!m_process->Wait(3000)) m_process->Terminate();
    m_process.reset();
}

bool StandInBrowser::Raise(HWND frame) { return Command(L"raise " + HexText(frame)) == 1; }

MainProgramRun RunMainProgram(const std::wstring& arguments, const std::wstring& program) {
    MainProgramRun run;
    auto process = ChildProcess::Start(program, arguments);
    if (!process) return run;
    auto drain = [&] {
        for (std::string line = process->ReadLine(0); !line.empty(); line = process->ReadLine(0))
            run.lines.push_back(line);
    };
    WaitUntil(
        [&] {
            drain();
            return !process->IsRunning();
        },
        30000);
    process->Wait(0, &run.exitCode);
    drain();
    return run;
}

namespace {

// A command that always prints: one that printed nothing did not get to the window at all (a
// start that failed on a loaded machine), and is run once more.
MainProgramRun RunPrintingCommand(const std::wstring& arguments,
                                  const std::wstring& program = L"koxQNMain.exe") {
    MainProgramRun run = RunMainProgram(arguments, program);
    if (run.lines.empty()) run = RunMainProgram(arguments, program);
    return run;
}

}  // namespace

long PushVerdict(HWND window, const std::wstring& address, const std::wstring& verdict,
                 const std::wstring& options, const std::wstring& program) {
    const std::wstring arguments =
        L"push \"" + address + L"\" " + verdict + L" --to " + HexText(window) + L" " + options;
    const MainProgramRun run = RunPrintingCommand(arguments, program);
    if (run.lines.empty()) return -2;
    const auto fields = ParseFields(run.lines.front());
    return fields.count("result") ? std::stol(fields.at("result")) : -2;
}

std::vector<std::string> DumpCache(HWND window, const std::wstring& options) {
    return RunPrintingCommand(L"dump " + HexText(window) + L" " + options).lines;
}

ResultHost::ResultHost() : m_process(ChildProcess::Start(L"result_host.exe", L"")) {
    if (!m_process) return;
    auto fields = ParseFields(m_process->ReadLine(10000));
    if (fields.count("window")) m_window = HandleFromText<HWND>(fields["window"]);
}

std::vector<std::string> MainProgramStarts(const std::wstring& expectedProgram) {
    std::vector<std::string> starts;
    std::ifstream log((CurrentTempPath() + L"koxQNMain.log").c_str());
    const std::string expected(expectedProgram.begin(), expectedProgram.end());
    for (std::string line; std::getline(log, line);) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos) continue;
        if (!expected.empty() && line.substr(tab + 1) != expected) {
            starts.push_back("from elsewhere: " + line.substr(tab + 1));
            continue;
        }
        starts.push_back(line.substr(0, tab));
    }
    return starts;
}
