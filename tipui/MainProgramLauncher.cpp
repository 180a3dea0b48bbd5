#include "tipui/MainProgramLauncher.h"

#include <windows.h>
#include <shellapi.h>

#include "hook/EnvProbes.h"
#include "toolkit/Scoped.h"
#include "veko.h"

std::wstring MainProgramPath() {
    // Our own module, whatever name the library file was given.
    return GetModuleDirectory(ThisModule()) + veko::kMainProgramFileName;
}

void StartMainProgram(const wchar_t* parameters) {
    ::ShellExecuteW(nullptr, L"open", MainProgramPath().c_str(), parameters, L"", SW_HIDE);
}
