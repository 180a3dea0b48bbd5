// Turns WM_MOUSEMOVE and WM_MOUSELEAVE into enter and leave notifications.
#pragma once

#include <windows.h>

class FCTrackMouseHover {
  public:
    FCTrackMouseHover() = default;
    virtual ~FCTrackMouseHover() = default;

    BOOL IsHovering() const { return m_bTracking; }
    // Called by the owning window for every message before its own handling; never consumes it.
    void TrackMessage(HWND hwnd, UINT msg);

  protected:
    virtual void OnMouseEnter() {}
    virtual void OnMouseLeave() {}

  private:
    BOOL m_bTracking = FALSE;
};
