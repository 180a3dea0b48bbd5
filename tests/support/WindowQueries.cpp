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

namespace {

struct WindowQuery {
    DWORD processId;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param) {
    auto* query = reinterpret_cast<WindowQuery*>(param);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hwnd, &processId);
    if (processId == query->processId && ClassNameOf(hwnd) == query->className)
        query->found.push_back(hwnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> WindowsOf(DWORD processId, const wchar_t* className) {
    WindowQuery query = {processId, className, {}};
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

std::vector<HWND> ResultWindowsOf(DWORD processId) {
    return WindowsOf(processId, veko::kResultWindowClass);
}
