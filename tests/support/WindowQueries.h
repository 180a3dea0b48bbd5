// Looking at windows, our own or another process's, while tests wait for them to change.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Polls `condition` (pumping this thread's messages) until it holds or the time is up.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);
// Pumps this thread's messages for `ms` milliseconds.
void PumpFor(DWORD ms);
// The top-level windows of one class that a process owns.
std::vector<HWND> WindowsOf(DWORD processId, const wchar_t* className);
// The result windows that a process owns.
std::vector<HWND> ResultWindowsOf(DWORD processId);
std::wstring ClassNameOf(HWND hwnd);
// The direct child of `parent` of the address tip's class, or null.
HWND FindAddressTip(HWND parent);
// The tip over `edit`, once it has been placed (the library creates it as a 1 x 1 box at (-3, -3),
// possibly in another process, and lays it out right after); null when none came in time.
HWND WaitForTip(HWND edit, DWORD timeoutMs);
// A window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND hwnd);
RECT ClientRectOf(HWND hwnd);
