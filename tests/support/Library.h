// veko.dll loaded into the test program itself (after the test's temporary directory is set, so
// that it reads that directory's table file), and unloaded for good at the end.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class LoadedLibrary {
  public:
    LoadedLibrary();
    ~LoadedLibrary();
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    HMODULE Module() const { return m_module; }
    // InstallHook; a hook it sets is removed again when the library goes.
    HHOOK Install(HWND window);
    BOOL Uninstall();

  private:
    HMODULE m_module = nullptr;
    std::vector<HHOOK> m_hooks;
};

// A plain hidden top-level window of this thread.
class TestWindow {
  public:
    TestWindow();
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;
    HWND Get() const { return m_hwnd; }
    void Destroy();

  private:
    HWND m_hwnd;
};
