#include "support/Screen.h"

std::vector<uint32_t> CaptureScreen(const RECT& rc) {
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    std::vector<uint32_t> pixels;
    if (width <= 0 || height <= 0) return pixels;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY | CAPTUREBLT);
    ::GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    pixels.assign(p, p + size_t(width) * height);
    for (auto& pixel : pixels) pixel &= 0x00FFFFFF;
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    ::DeleteObject(bitmap);
    return pixels;
}

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
