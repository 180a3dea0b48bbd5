#include "toolkit/TrackMouseHover.h"

void FCTrackMouseHover::TrackMessage(HWND hwnd, UINT msg) {
    if (msg == WM_MOUSEMOVE && !m_bTracking && ::IsWindow(hwnd)) {
        TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, hwnd, 0};
        m_bTracking = ::TrackMouseEvent(&track);
        OnMouseEnter();
        ::InvalidateRect(hwnd, nullptr, TRUE);
    } else if (msg == WM_MOUSELEAVE && m_bTracking && ::IsWindow(hwnd)) {
        m_bTracking = FALSE;
        OnMouseLeave();
        ::InvalidateRect(hwnd, nullptr, TRUE);
    }
}
