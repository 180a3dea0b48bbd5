// What the person at the screen sees: pixels read back from the screen, and the badge's look.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// The screen's pixels in `rc` (screen coordinates), 0x00RRGGBB, row by row.
std::vector<uint32_t> CaptureScreen(const RECT& rc);

// The badge as a person names it: 'G' green (safe), 'R' red-orange (alarm), 'A' amber
// (monitoring off), 'W' white (the dark phase of a flash), '?' anything else.
char BadgeLook(const RECT& screenRect);
char LookOf(HWND window);
