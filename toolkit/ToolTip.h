// A common-controls tooltip window owned by a layered window.
#pragma once

#include <windows.h>

class FCToolTip {
  public:
    explicit FCToolTip(HWND owner);
    ~FCToolTip();
    FCToolTip(const FCToolTip&) = delete;
    FCToolTip& operator=(const FCToolTip&) = delete;

    HWND GetHwnd() const { return m_hWnd; }
    // Registers one tool: `text` over `rc` of the owner.
    void AddTool(HWND owner, UINT id, const RECT& rc, const wchar_t* text);
    void Relay(HWND owner, UINT msg, WPARAM wParam, LPARAM lParam);

  private:
    HWND m_hWnd;
};
