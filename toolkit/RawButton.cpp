#include "toolkit/RawButton.h"

#include "image/DrawHelpers.h"

void FCRawButton::Create(RECT rc, HWND parent, UINT id, DWORD extraStyle) {
    FCRawWindow::Create(0, L"BUTTON", extraStyle | WS_CHILD | WS_TABSTOP | BS_OWNERDRAW, rc, parent,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)));
}

BOOL FCRawButton::IsPushed() const {
    return (::SendMessageW(m_hWnd, BM_GETSTATE, 0, 0) & BST_PUSHED) ? 1 : 0;
}

LRESULT FCRawButton::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    TrackMessage(m_hWnd, msg);
    // The system button paints; for an owner-drawn one that ends in our OnDrawItem.
    if (msg == WM_PAINT) return DefaultProc(msg, wParam, lParam);
    return FCRawWindow::WindowProc(msg, wParam, lParam);
}

void FCRawButton::OnDrawItem(DRAWITEMSTRUCT* dis) {
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int width = rc.right - rc.left;
    const int height = rc.bottom - rc.top;
    HBITMAP buffer = ::CreateCompatibleBitmap(dis->hDC, width, height);
    {
        MemoryDCScope memory(buffer);
        DrawButton(memory.Get(), rc);
        ::BitBlt(dis->hDC, 0, 0, width, height, memory.Get(), 0, 0, SRCCOPY);
    }
    if (buffer) ::DeleteObject(buffer);
}
