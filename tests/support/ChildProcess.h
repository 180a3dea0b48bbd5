// A program of ours started as a separate process, with its standard output on a pipe.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "HandleText.h"

class ChildProcess {
  public:
    // Starts `program` (a file name in the directory of the test program, or a full path) with
    // `arguments`.
    static std::unique_ptr<ChildProcess> Start(const std::wstring& program,
                                               const std::wstring& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of output without its line end; empty when none came within the timeout.
    std::string ReadLine(DWORD timeoutMs);
    // True when the process ended within the timeout; its exit code goes to `exitCode`.
    bool Wait(DWORD timeoutMs, DWORD* exitCode = nullptr);
    bool IsRunning();
    void Terminate();

    DWORD ProcessId() const { return m_info.dwProcessId; }
    DWORD ThreadId() const { return m_info.dwThreadId; }

  private:
    ChildProcess() = default;

    PROCESS_INFORMATION m_info = {};
    HANDLE m_output = nullptr;
    std::string m_pending;
};

// "key=value key=value" as a map.
std::map<std::string, std::string> ParseFields(const std::string& line);
// A handle written as hexadecimal text.
template <typename H>
H HandleFromText(const std::string& text) {
    return ParseHandle<H>(text.rfind("0x", 0) == 0 ? text : "0x" + text);
}
// The directory of the test program, where every program and the library are built.
std::wstring BinaryDirectory();
