// The small window laid over the right end of a browser's address edit.
//
// It is a child of the edit's parent, placed against the edit's right edge, and holds the badge.
// The process manager creates one per served edit and re-lays it whenever the edit changes size.
// Every 800 ms it reads the edit's text and hands the address to the badge.
#pragma once

#include <windows.h>

#include <string>

#include "hook/BrowserKind.h"
#include "tipui/WndTipBtn.h"
#include "toolkit/RawWindow.h"
#include "toolkit/TimerNotify.h"

// The most characters of the edit's text that are read: 2,097,152, the longest address any
// browser takes (Chromium's limit; Internet Explorer stops at 2,083). An edit may claim a length
// of up to 2^31 - 1; in a 64-bit process a buffer that large would be granted, filled and hashed.
constexpr int kMaxAddressLength = 2 * 1024 * 1024;

class CWndAddressTip : public FCRawWindow, public FCTimerNotify {
  public:
    CWndAddressTip(HWND hwndParent, HWND hwndEdit, BrowserKind kind);
    ~CWndAddressTip() override;

    // Places the window against the edit's current rectangle.
    void Layout();
    void OnTimer() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    CWndTipBtn& GetTipButton() { return m_tipBtn; }

  private:
    // Where the window belongs, in its parent's client coordinates: over the right end of the
    // edit, as wide as a picture's frame.
    RECT PlaceAgainstEdit(HWND parent) const;
    // The address in the edit: cut at its first space; the safety-information page's address
    // is replaced by the one it is about, in the edit too.
    std::wstring ReadAddress();

    CWndTipBtn m_tipBtn;
    HWND m_hWndEdit;
    BrowserKind m_nBrowserKind;
};
