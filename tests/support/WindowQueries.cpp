#include "support/WindowQueries.h"

#include "veko.h"

void PumpFor(DWORD ms) {
    const DWORD start = ::GetTickCount();
    do {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    } while (::GetTickCount() - start < ms);
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        PumpFor(20);
    }
}

std::wstring ClassNameOf(HWND hwnd) {
    wchar_t name[MAX_PATH] = {};
    ::GetClassNameW(hwnd, name, MAX_PATH);
    return name;
}

HWND FindAddressTip(HWND parent) {
    for (HWND child = ::GetWindow(parent, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (ClassNameOf(child) == veko::kAddressTipClass) return child;
    }
    return nullptr;
}

HWND WaitForTip(HWND edit, DWORD timeoutMs) {
    HWND tip = nullptr;
    const bool placed = WaitUntil(
        [&] {
            tip = FindAddressTip(::GetParent(edit));
            return tip && RectInParent(tip).left != -3;
        },
        timeoutMs);
    return placed ? tip : nullptr;
}

RECT RectInParent(HWND hwnd) {
    RECT rc = {};
    ::GetWindowRect(hwnd, &rc);
    ::MapWindowPoints(nullptr, ::GetParent(hwnd), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

RECT ClientRectOf(HWND hwnd) {
    RECT rc = {};
    ::GetClientRect(hwnd, &rc);
    return rc;
}
