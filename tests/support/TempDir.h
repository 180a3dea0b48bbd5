// A temporary directory of a test's own, given to the test and to every process it starts.
#pragma once

#include <string>

// Creates a fresh directory and makes it this process's TMP and TEMP (children inherit them);
// puts the previous values back and removes the directory again when it goes.
class ScopedTempDir {
  public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    const std::wstring& Path() const { return m_path; }  // with a trailing backslash
    std::wstring File(const std::wstring& name) const { return m_path + name; }

  private:
    std::wstring m_path;
    std::wstring m_oldTmp;
    std::wstring m_oldTemp;
};

void SetTempEnvironment(const std::wstring& directory);
std::wstring CurrentTempPath();
void RemoveTree(const std::wstring& directory);
// Every file name in the directory, without "." and "..".
std::wstring ListDirectory(const std::wstring& directory);
