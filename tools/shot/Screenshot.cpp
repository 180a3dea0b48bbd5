// screenshot.exe FILE.png [X Y WIDTH HEIGHT]
//   writes the screen (or a part of it) as the person at it sees it, as a PNG file
// screenshot.exe --pointer X Y
//   moves the pointer there first, as a person would (for pictures of what the pointer opens)
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "ScreenCapture.h"
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
    const std::vector<uint32_t> pixels = CaptureScreen(RECT{x, y, x + width, y + height});
    if (pixels.empty()) return 1;
    std::vector<unsigned char> rgb;
    rgb.reserve(pixels.size() * 3);
    for (uint32_t pixel : pixels) {
        rgb.push_back(uint8_t(pixel >> 16));
        rgb.push_back(uint8_t(pixel >> 8));
        rgb.push_back(uint8_t(pixel));
    }
    char path[MAX_PATH] = {};
    ::WideCharToMultiByte(CP_ACP, 0, argv[1], -1, path, MAX_PATH, nullptr, nullptr);
    return stbi_write_png(path, width, height, 3, rgb.data(), width * 3) ? 0 : 1;
}
