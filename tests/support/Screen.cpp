#include "support/Screen.h"

#include "shot/ScreenCapture.h"

char BadgeLook(const RECT& screenRect) {
    const std::vector<uint32_t> pixels = CaptureScreen(screenRect);
    if (pixels.empty()) return '?';
    size_t white = 0;
    double r = 0, g = 0, b = 0;
    size_t coloured = 0;
    for (uint32_t pixel : pixels) {
        const int pr = pixel >> 16 & 0xFF, pg = pixel >> 8 & 0xFF, pb = pixel & 0xFF;
        if (pr > 215 && pg > 215 && pb > 215) {
            ++white;
            continue;
        }
        r += pr;
        g += pg;
        b += pb;
        ++coloured;
    }
    if (white * 10 >= pixels.size() * 8) return 'W';
    if (coloured * 10 < pixels.size() * 3) return '?';
    r /= coloured;
    g /= coloured;
    b /= coloured;
    if (g > r && g > b) return 'G';
    if (r > g && r > b) return g > 0.55 * r ? 'A' : 'R';
    return '?';
}

char LookOf(HWND window) {
    RECT rc = {};
    ::GetWindowRect(window, &rc);
    return BadgeLook(rc);
}
