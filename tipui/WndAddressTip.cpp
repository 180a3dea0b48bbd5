#include "tipui/WndAddressTip.h"

#include "hook/EnvProbes.h"

namespace {

void AddStyle(HWND hwnd, LONG style) {
    ::SetWindowLongW(hwnd, GWL_STYLE, ::GetWindowLongW(hwnd, GWL_STYLE) | style);
}

// Sogou and TT give the badge the edit's own height; the others centre it in the parent.
bool SpansEditHeight(BrowserKind kind) { return kind == BrowserSogou || kind == BrowserTT; }

}  // namespace

CWndAddressTip::CWndAddressTip(HWND hwndParent, HWND hwndEdit, BrowserKind kind)
    : m_hWndEdit(hwndEdit), m_nBrowserKind(kind) {
    AddStyle(hwndParent, WS_CLIPCHILDREN);
    AddStyle(hwndEdit, WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
    const DWORD style = IsAddressBarAlertOn() ? (WS_CHILD | WS_VISIBLE) : WS_CHILD;
    Create(0, nullptr, style, RECT{-3, -3, -2, -2}, hwndParent, nullptr);
    Layout();
}

CWndAddressTip::~CWndAddressTip() { Destroy(); }

void CWndAddressTip::Layout() {
    HWND parent = ::GetParent(m_hWnd);
    RECT rcParent = {};
    ::GetClientRect(parent, &rcParent);
    RECT rcEdit = {};
    ::GetWindowRect(m_hWndEdit, &rcEdit);
    ::ScreenToClient(parent, reinterpret_cast<POINT*>(&rcEdit.left));
    ::ScreenToClient(parent, reinterpret_cast<POINT*>(&rcEdit.right));

    const SIZE frame = GetFrameSize();
    LONG top = 0;
    LONG bottom = 0;
    if (SpansEditHeight(m_nBrowserKind)) {
        top = rcEdit.top;
        bottom = rcEdit.bottom;
    } else {
        top = (rcParent.bottom - rcParent.top - frame.cy) / 2 + rcParent.top;
        bottom = top + frame.cy;
    }
    const LONG right = rcEdit.right;
    const LONG left = right - frame.cx;
    ::SetWindowPos(m_hWnd, HWND_TOP, left, top, right - left, bottom - top,
                   SWP_NOACTIVATE | SWP_FRAMECHANGED);
}
