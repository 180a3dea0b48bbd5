#include "support/Library.h"

#include "support/ChildProcess.h"
#include "veko.h"

LoadedLibrary::LoadedLibrary()
    : m_module(::LoadLibraryW((BinaryDirectory() + veko::kLibraryFileName).c_str())) {}

LoadedLibrary::~LoadedLibrary() {
    for (HHOOK hook : m_hooks) ::UnhookWindowsHookEx(hook);
    for (int i = 0; i < 64 && ::GetModuleHandleW(veko::kLibraryFileName); ++i)
        ::FreeLibrary(m_module);
}

HHOOK LoadedLibrary::Install(HWND window) {
    auto install = veko::GetExport<VekoInstallHookFn>(m_module, "InstallHook");
    HHOOK hook = install ? install(window) : nullptr;
    if (hook) m_hooks.push_back(hook);
    return hook;
}

BOOL LoadedLibrary::Uninstall() {
    auto uninstall = veko::GetExport<VekoUninstallHookFn>(m_module, "UninstallHook");
    return uninstall ? uninstall() : -1;
}

TestWindow::TestWindow()
    : m_hwnd(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                               nullptr)) {}

TestWindow::~TestWindow() { Destroy(); }

void TestWindow::Destroy() {
    if (m_hwnd) ::DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
}
