// A code page for tests of the address repair that has no platform behind it: each character
// below 256 is the byte of the same value, anything else becomes "?".
#pragma once

#include <cstdint>
#include <string>

#include "tipui/AddressRepair.h"

inline CodePage Latin1CodePage() {
    CodePage page;
    page.narrow = [](const std::u16string& text) {
        std::string out;
        for (char16_t c : text) out += c < 256 ? char(c) : '?';
        return out;
    };
    page.widen = [](const std::string& text) {
        std::u16string out;
        for (char c : text) out += char16_t(uint8_t(c));
        return out;
    };
    return page;
}
