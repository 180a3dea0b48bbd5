// A window of the library's result class that this program registers with a procedure of its
// own: a peer that is not the library. Its handle goes to standard output as "window=0x…" for
// the test that started the program.
#pragma once

#include <windows.h>

#include <cstdio>

#include "Arguments.h"
#include "veko.h"

inline HWND CreateForeignResultWindow(WNDPROC proc) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = veko::kResultWindowClass;
    ::RegisterClassExW(&wc);
    const HWND window = ::CreateWindowExW(0, veko::kResultWindowClass, L"", WS_POPUP, 0, 0, 3, 3,
                                          nullptr, nullptr, wc.hInstance, nullptr);
    std::printf("window=%s\n", HandleText(window).c_str());
    std::fflush(stdout);
    return window;
}
