// What the person at the screen sees: pixels read back from the screen, and the badge's look.
#pragma once

#include <windows.h>

// The badge as a person names it: 'G' green (safe), 'R' red-orange (alarm), 'A' amber
// (monitoring off), 'W' white (the dark phase of a flash), '?' anything else.
char BadgeLook(const RECT& screenRect);
char LookOf(HWND window);
