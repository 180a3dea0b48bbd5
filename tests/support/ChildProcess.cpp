#include "support/ChildProcess.h"

#include <sstream>
#include <vector>

std::wstring BinaryDirectory() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory = path;
    return directory.substr(0, directory.find_last_of(L'\\') + 1);
}

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::wstring& program,
                                                  const std::wstring& arguments) {
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!::CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return nullptr;
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    const bool full = program.find(L':') != std::wstring::npos;
    const std::wstring path = full ? program : BinaryDirectory() + program;
    std::wstring commandLine = L"\"" + path + L"\" " + arguments;
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(0);

    std::unique_ptr<ChildProcess> child(new ChildProcess);
    const BOOL started = ::CreateProcessW(path.c_str(), buffer.data(), nullptr, nullptr, TRUE, 0,
                                          nullptr, nullptr, &startup, &child->m_info);
    ::CloseHandle(writeEnd);
    child->m_output = readEnd;
    if (!started) return nullptr;
    return child;
}

ChildProcess::~ChildProcess() {
    if (IsRunning()) Terminate();
    if (m_info.hProcess) ::CloseHandle(m_info.hProcess);
    if (m_info.hThread) ::CloseHandle(m_info.hThread);
    if (m_output) ::CloseHandle(m_output);
}

std::string ChildProcess::ReadLine(DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        const size_t end = m_pending.find('\n');
        if (end != std::string::npos) {
            std::string line = m_pending.substr(0, end);
            m_pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return line;
        }
        DWORD available = 0;
        if (!::PeekNamedPipe(m_output, nullptr, 0, nullptr, &available, nullptr)) return {};
        if (available) {
            std::string chunk(available, '\0');
            DWORD read = 0;
            ::ReadFile(m_output, &chunk[0], available, &read, nullptr);
            m_pending.append(chunk, 0, read);
            continue;
        }
        if (::GetTickCount() - start > timeoutMs) return {};
        ::Sleep(10);
    }
}

bool ChildProcess::Wait(DWORD timeoutMs, DWORD* exitCode) {
    if (::WaitForSingleObject(m_info.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
    if (exitCode) ::GetExitCodeProcess(m_info.hProcess, exitCode);
    return true;
}

bool ChildProcess::IsRunning() {
    return m_info.hProcess && ::WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT;
}

void ChildProcess::Terminate() {
    ::TerminateProcess(m_info.hProcess, 99);
    ::WaitForSingleObject(m_info.hProcess, 5000);
}

std::map<std::string, std::string> ParseFields(const std::string& line) {
    std::map<std::string, std::string> fields;
    std::istringstream in(line);
    for (std::string token; in >> token;) {
        const size_t eq = token.find('=');
        if (eq != std::string::npos) fields[token.substr(0, eq)] = token.substr(eq + 1);
    }
    return fields;
}
