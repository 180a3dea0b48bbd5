// The screen as the person at it sees it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// The screen's pixels in `rc` (screen coordinates), 0x00RRGGBB, row by row from the top; empty
// for an empty rectangle.
std::vector<uint32_t> CaptureScreen(const RECT& rc);
