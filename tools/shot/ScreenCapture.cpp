#include "ScreenCapture.h"

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
    if (!bitmap) return pixels;
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
