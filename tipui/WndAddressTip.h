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

class CWndAddressTip : public FCRawWindow, public FCTimerNotify {
  public:
    CWndAddressTip(HWND hwndParent, HWND hwndEdit, BrowserKind kind);
    ~CWndAddressTip() override;

    // Places the window against the edit's current rectangle.
    void Layout();
    void OnTimer() override;

    CWndTipBtn& GetTipButton() { return m_tipBtn; }

  private:
    // The address in the edit: cut at its first space; the safety-information page's address
    // is replaced by the one it is about, in the edit too.
    std::wstring ReadAddress();

    CWndTipBtn m_tipBtn;
    HWND m_hWndEdit;
    BrowserKind m_nBrowserKind;
};
