// screenshot.exe FILE.png [X Y WIDTH HEIGHT]
//   writes the screen (or a part of it) as the person at it sees it, as a PNG file
// screenshot.exe --pointer X Y
//   moves the pointer there first, as a person would (for pictures of what the pointer opens)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "StbImageWrite.h"

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && std::wcscmp(argv[1], L"--pointer") == 0) {
        return ::SetCursorPos(_wtoi(argv[2]), _wtoi(argv[3])) ? 0 : 1;
    }
    if (argc != 2 && argc != 6) {
        std::fprintf(stderr, "usage: screenshot FILE.png [X Y WIDTH HEIGHT]\n");
        return 2;
    }
    int x = 0, y = 0;
    int width = ::GetSystemMetrics(SM_CXSCREEN), height = ::GetSystemMetrics(SM_CYSCREEN);
    if (argc == 6) {
        x = _wtoi(argv[2]);
        y = _wtoi(argv[3]);
        width = _wtoi(argv[4]);
        height = _wtoi(argv[5]);
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap) return 1;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, x, y, SRCCOPY | CAPTUREBLT);
    ::GdiFlush();
    std::vector<unsigned char> rgb(size_t(width) * height * 3);
    const auto* bgra = static_cast<const unsigned char*>(bits);
    for (size_t i = 0; i < size_t(width) * height; ++i) {
        rgb[3 * i] = bgra[4 * i + 2];
        rgb[3 * i + 1] = bgra[4 * i + 1];
        rgb[3 * i + 2] = bgra[4 * i];
    }
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    ::DeleteObject(bitmap);
    char path[MAX_PATH] = {};
    ::WideCharToMultiByte(CP_ACP, 0, argv[1], -1, path, MAX_PATH, nullptr, nullptr);
    return stbi_write_png(path, width, height, 3, rgb.data(), width * 3) ? 0 : 1;
}
