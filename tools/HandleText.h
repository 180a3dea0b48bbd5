// Handles as the tools print them and take them on their command lines: "0x" and the handle's
// full width in hexadecimal digits (8 in a 32-bit program, 16 in a 64-bit one). A number of at
// most 32 bits is a handle that a program of either bitness printed: it is sign-extended, as the
// platform does when a 32-bit handle reaches a 64-bit process.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "veko.h"

inline std::string HandleText(const void* handle) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llX", int(sizeof(void*) * 2),
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(handle)));
    return text;
}

inline std::wstring HandleTextW(const void* handle) {
    const std::string text = HandleText(handle);
    return std::wstring(text.begin(), text.end());
}

// Hexadecimal with "0x", else decimal; "-1" is the all-ones handle of either bitness.
template <typename Handle>
Handle ParseHandle(const std::string& text) {
    const unsigned long long value = std::strtoull(text.c_str(), nullptr, 0);
    if (value <= 0xFFFFFFFFull) return veko::FieldToHandle<Handle>(static_cast<uint32_t>(value));
    return reinterpret_cast<Handle>(static_cast<uintptr_t>(value));
}

template <typename Handle>
Handle ParseHandle(const std::wstring& text) {
    return ParseHandle<Handle>(std::string(text.begin(), text.end()));
}
