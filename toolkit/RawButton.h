// An owner-drawn push button that paints its whole face, double-buffered, in DrawButton. Its
// parent must reflect WM_DRAWITEM (every FCRawWindow does).
#pragma once

#include <windows.h>

#include "toolkit/RawWindow.h"
#include "toolkit/TrackMouseHover.h"

class FCRawButton : public FCRawWindow, public FCTrackMouseHover {
  public:
    // A child "BUTTON" with BS_OWNERDRAW and WS_TABSTOP, plus `extraStyle`.
    void Create(RECT rc, HWND parent, UINT id, DWORD extraStyle);
    BOOL IsPushed() const;

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnDrawItem(DRAWITEMSTRUCT* dis) override;

  protected:
    // Paints the whole face, background included, into an off-screen bitmap.
    virtual void DrawButton(HDC hdc, RECT rc) { (void)hdc, (void)rc; }
};
