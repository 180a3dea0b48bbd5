#include "tipui/AnsiText.h"

#include <windows.h>

std::string ToAnsi(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string ansi(size_t(size > 0 ? size : 0), '\0');
    if (size > 0) {
        ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()), &ansi[0], size, nullptr,
                              nullptr);
    }
    return ansi;
}

std::wstring FromAnsi(const std::string& text) {
    const std::string upToNull = text.c_str();
    const int size =
        ::MultiByteToWideChar(CP_ACP, 0, upToNull.c_str(), int(upToNull.size()), nullptr, 0);
    std::wstring wide(size_t(size > 0 ? size : 0), L'\0');
    if (size > 0) {
        ::MultiByteToWideChar(CP_ACP, 0, upToNull.c_str(), int(upToNull.size()), &wide[0], size);
    }
    return wide;
}
