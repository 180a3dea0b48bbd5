// The stand-in browser and main program, started as real processes for cross-process tests.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"

// A handle as the stand-ins take it on their command lines (HandleText).
std::wstring HexText(const void* handle);

class StandInBrowser {
  public:
    // kind: ie8 ie7 ie6 maxthon maxthon2 sogou tt; `program` may be "maxthon.exe".
    explicit StandInBrowser(const std::wstring& kind, const std::wstring& options = L"",
                            const std::wstring& program = L"standin_browser.exe");
    ~StandInBrowser();

    bool IsUp() const { return m_frame != nullptr; }
    HWND Frame() const { return m_frame; }
    HWND Edit() const { return m_edit; }
    DWORD ProcessId() const { return m_process ? m_process->ProcessId() : 0; }
    bool IsRunning() { return m_process && m_process->IsRunning(); }
    // True when the browser's process ended within the timeout; its exit code to `exitCode`.
    bool WaitForExit(DWORD timeoutMs, DWORD* exitCode = nullptr) {
        return m_process && m_process->Wait(timeoutMs, exitCode);
    }

    // One command to the browser's control window (see the stand-in's usage); its answer.
    LRESULT Command(const std::wstring& command);
    // A further frame, of the browser's own kind unless `kind` is given.
    HWND NewFrame(bool onTop, const std::wstring& kind = L"");
    HWND EditOf(HWND frame);
    bool Raise(HWND frame);

  private:
    std::unique_ptr<ChildProcess> m_process;
    HWND m_frame = nullptr;
    HWND m_edit = nullptr;
    HWND m_control = nullptr;
};

// The stand-in main program holding the hook on a browser's frame until it is destroyed.
class MainProgram {
  public:
    // `program`: the stand-in main program of another build, by full path.
    explicit MainProgram(HWND frame, const std::wstring& program = L"koxQNMain.exe");
    ~MainProgram();
    HHOOK Hook() const { return m_hook; }
    void Stop();

  private:
    std::unique_ptr<ChildProcess> m_process;
    HHOOK m_hook = nullptr;
};

// One run of the stand-in main program, this thread's messages pumped meanwhile (the program
// may be talking to a result window of this thread).
struct MainProgramRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::vector<std::string> lines;
};
MainProgramRun RunMainProgram(const std::wstring& arguments,
                              const std::wstring& program = L"koxQNMain.exe");

// Pushes one verdict to `window` with the stand-in main program (`options` as its push command
// takes them); the window's answer, -1 when it gave none, -2 when the program printed nothing.
long PushVerdict(HWND window, const std::wstring& address, const std::wstring& verdict,
                 const std::wstring& options = L"", const std::wstring& program = L"koxQNMain.exe");
// The records a window hands to a peer that asks for its cache, as the main program prints them
// (`options` as its dump command takes them).
std::vector<std::string> DumpCache(HWND window, const std::wstring& options = L"");

// A result window of the library in a process of its own.
class ResultHost {
  public:
    ResultHost();
    HWND Window() const { return m_window; }

  private:
    std::unique_ptr<ChildProcess> m_process;
    HWND m_window = nullptr;
};

// The command lines the stand-in main program was started with, from its log in the temporary
// directory: one entry per start, "<arguments>" (the program's own path checked against
// `expectedProgram` when it is given).
std::vector<std::string> MainProgramStarts(const std::wstring& expectedProgram = L"");
