// The small window laid over the right end of a browser's address edit.
//
// It is a child of the edit's parent, placed against the edit's right edge; the process manager
// creates one per served edit and re-lays it whenever the edit changes size.
#pragma once

#include <windows.h>

#include "hook/BrowserKind.h"
#include "toolkit/RawWindow.h"

class CWndAddressTip : public FCRawWindow {
  public:
    CWndAddressTip(HWND hwndParent, HWND hwndEdit, BrowserKind kind);
    ~CWndAddressTip() override;

    // Places the window against the edit's current rectangle.
    void Layout();

    // The badge's frame: the size of the whole tip window.
    static SIZE GetFrameSize() { return SIZE{30, 14}; }

  private:
    HWND m_hWndEdit;
    BrowserKind m_nBrowserKind;
};
