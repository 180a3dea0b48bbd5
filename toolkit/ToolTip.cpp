#include "toolkit/ToolTip.h"

#include <commctrl.h>

namespace {

HWND CreateToolTipWindow(HWND owner) {
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&classes);
    HWND tip = ::CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 1, 1,
                                 owner, nullptr, nullptr, nullptr);
    if (tip) ::SendMessageW(tip, TTM_ACTIVATE, TRUE, 0);
    return tip;
}

}  // namespace

FCToolTip::FCToolTip(HWND owner) : m_hWnd(CreateToolTipWindow(owner)) {}

FCToolTip::~FCToolTip() {
    if (m_hWnd) ::DestroyWindow(m_hWnd);
}

void FCToolTip::AddTool(HWND owner, UINT id, const RECT& rc, const wchar_t* text) {
    TOOLINFOW info = {};
    info.cbSize = TTTOOLINFOW_V2_SIZE;
    info.hwnd = owner;
    info.uId = id;
    info.rect = rc;
    info.lpszText = const_cast<wchar_t*>(text);
    ::SendMessageW(m_hWnd, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void FCToolTip::Relay(HWND owner, UINT msg, WPARAM wParam, LPARAM lParam) {
    MSG relayed = {owner, msg, wParam, lParam, 0, {0, 0}};
    ::SendMessageW(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}
