// Every test program runs with a temporary directory of its own, so that no table file or log of
// one program (or of the processes it starts) is seen by another.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/TempDir.h"

int main(int argc, char** argv) {
    wchar_t program[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, program, MAX_PATH);
    std::wstring name = program;
    name = name.substr(name.find_last_of(L'\\') + 1);
    const std::wstring root = CurrentTempPath() + L"veko-tests\\";
    const std::wstring own = root + name + L"-" + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    ::CreateDirectoryW(root.c_str(), nullptr);
    RemoveTree(own);
    ::CreateDirectoryW(own.c_str(), nullptr);
    SetTempEnvironment(own);

    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    RemoveTree(own);
    return result;
}
