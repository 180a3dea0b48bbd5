#include "support/TempDir.h"

#include <windows.h>

std::wstring CurrentTempPath() {
    wchar_t path[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, path);
    return path;
}

void SetTempEnvironment(const std::wstring& directory) {
    ::SetEnvironmentVariableW(L"TMP", directory.c_str());
    ::SetEnvironmentVariableW(L"TEMP", directory.c_str());
}

namespace {

std::wstring EnvironmentValue(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    ::GetEnvironmentVariableW(name, value, MAX_PATH);
    return value;
}

template <typename Fn>
void ForEachEntry(const std::wstring& directory, Fn&& fn) {
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW((directory + L"*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") fn(name, data);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
}

}  // namespace

void RemoveTree(const std::wstring& directory) {
    ForEachEntry(directory, [&](const std::wstring& name, const WIN32_FIND_DATAW& data) {
        const std::wstring path = directory + name;
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveTree(path + L"\\");
        } else {
            ::DeleteFileW(path.c_str());
        }
    });
    ::RemoveDirectoryW(directory.c_str());
}

std::wstring ListDirectory(const std::wstring& directory) {
    std::wstring names;
    ForEachEntry(directory, [&](const std::wstring& name, const WIN32_FIND_DATAW&) {
        names += names.empty() ? name : L" " + name;
    });
    return names;
}

ScopedTempDir::ScopedTempDir()
    : m_oldTmp(EnvironmentValue(L"TMP")), m_oldTemp(EnvironmentValue(L"TEMP")) {
    static int counter = 0;
    m_path = CurrentTempPath() + L"case" + std::to_wstring(++counter) + L"\\";
    RemoveTree(m_path);
    ::CreateDirectoryW(m_path.c_str(), nullptr);
    SetTempEnvironment(m_path);
}

ScopedTempDir::~ScopedTempDir() {
    ::SetEnvironmentVariableW(L"TMP", m_oldTmp.c_str());
    ::SetEnvironmentVariableW(L"TEMP", m_oldTemp.c_str());
    RemoveTree(m_path);
}
