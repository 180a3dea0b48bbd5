// Frames of the supported browsers as the address-bar finders expect them, with decoys around
// the address edit: other edits before and after it, deeper nesting, a second address-bar
// toolbar, an edit whose class name differs only in case.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct FrameOptions {
    std::wstring kind;               // ie8 ie7 ie6 maxthon maxthon2 sogou tt
    std::wstring url;                // the address edit's text
    std::vector<int> ie6EditWidths;  // ie6 only: plain edits of these widths, in this order
};

struct BuiltFrame {
    HWND frame = nullptr;
    HWND addressEdit = nullptr;  // the edit the library's finder should choose
    std::vector<HWND> edits;     // every edit-like control of the frame
};

// Registers the classes that the layouts use; once per process.
void RegisterLayoutClasses();
// Builds a top-level frame at `origin`: shown at the top of the Z-order, or (`atBottom`) still
// hidden below every other window (the display would raise a window that it shows).
// Null frame for an unknown kind.
BuiltFrame BuildFrame(const FrameOptions& options, POINT origin, bool atBottom = false);
