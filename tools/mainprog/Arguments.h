// Command-line helpers shared by the stand-in main program's commands.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <string>

#include "HandleText.h"

class Arguments {
  public:
    Arguments(int argc, wchar_t** argv) : m_argc(argc), m_argv(argv) {}

    // The n-th word after the command verb, or "".
    std::wstring Positional(int n) const { return n + 2 < m_argc ? m_argv[n + 2] : L""; }
    bool Has(const wchar_t* flag) const {
        for (int i = 2; i < m_argc; ++i) {
            if (std::wcscmp(m_argv[i], flag) == 0) return true;
        }
        return false;
    }
    // The word after `option`, or `fallback`.
    std::wstring Value(const wchar_t* option, const std::wstring& fallback = L"") const {
        for (int i = 2; i + 1 < m_argc; ++i) {
            if (std::wcscmp(m_argv[i], option) == 0) return m_argv[i + 1];
        }
        return fallback;
    }
    // The word `skip` places further on.
    std::wstring ValueAfter(const wchar_t* option, int skip) const {
        for (int i = 2; i + 1 + skip < m_argc; ++i) {
            if (std::wcscmp(m_argv[i], option) == 0) return m_argv[i + 1 + skip];
        }
        return L"";
    }

  private:
    int m_argc;
    wchar_t** m_argv;
};

// Decimal, or hexadecimal with 0x; negative numbers allowed.
inline uint32_t ParseNumber(const std::wstring& text) {
    if (!text.empty() && text[0] == L'-') return uint32_t(std::wcstol(text.c_str(), nullptr, 0));
    return uint32_t(std::wcstoul(text.c_str(), nullptr, 0));
}

inline HWND HandleArgument(const std::wstring& text) { return ParseHandle<HWND>(text); }
