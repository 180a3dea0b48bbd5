// Which browser a process is; fixed once per process from the hooked frame's class.
#pragma once

#include <cstdint>

enum BrowserKind : int32_t {
    BrowserIE8 = 0,
    BrowserIE7 = 1,
    BrowserIE6 = 2,
    BrowserMaxthon = 3,
    BrowserMaxthon2 = 4,
    BrowserSogou = 5,
    BrowserTT = 6,
    BrowserUnknown = 7,
};
