#include "toolkit/LayeredWindow.h"

#include <windowsx.h>

#include <cstring>

#include "image/DrawHelpers.h"
#include "image/PixelEffects.h"
#include "toolkit/Scoped.h"

namespace {

constexpr const wchar_t* kLayeredClass = L"uis_layered_wnd_class";
constexpr UINT kFirstTipId = 100;

POINT PointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

}  // namespace

FCLayeredWindow::~FCLayeredWindow() {
    m_pToolTip.reset();
    Destroy();
}

void FCLayeredWindow::AddObject(FCLayeredObject* obj, RECT rc, int id) {
    if (!obj) return;
    obj->m_pOwner = this;
    obj->m_rcObject = rc;
    obj->m_nId = id;
    m_objects.Add(obj);
}

void FCLayeredWindow::Create(int x, int y, HWND hwndOwner, BOOL show, DWORD exStyle) {
    m_pToolTip.reset();
    Destroy();
    RegisterPlainClass(kLayeredClass);
    const RECT rc = {x, y, x + m_imgBack.GetWidth(), y + m_imgBack.GetHeight()};
    FCMessageWindow::Create(exStyle | WS_EX_LAYERED, kLayeredClass, WS_POPUP, rc, hwndOwner,
                            nullptr);
    for (size_t i = 0; i < m_objects.Count(); ++i) m_objects.At(i)->m_bTipRegistered = false;
    m_pToolTip = std::make_unique<FCToolTip>(m_hWnd);
    if (show) {
        ::ShowWindow(m_hWnd, SW_SHOWNA);
        Redraw();
    }
}

FCLayeredObject* FCLayeredWindow::HitTest(int x, int y) const {
    for (size_t i = 0; i < m_objects.Count(); ++i) {
        FCLayeredObject* obj = m_objects.At(i);
        if (::PtInRect(&obj->m_rcObject, POINT{x, y})) return obj;
    }
    return nullptr;
}

// The frame starts as a copy of the background; its image is kept between redraws so that a
// redraw costs no new bitmap.
bool FCLayeredWindow::StartFrame() {
    const bool reusable = m_imgFrame.HasPixels() && m_imgBack.GetBitsPerPixel() == 32 &&
                          m_imgFrame.GetBitsPerPixel() == 32 &&
                          m_imgFrame.GetWidth() == m_imgBack.GetWidth() &&
                          m_imgFrame.GetHeight() == m_imgBack.GetHeight();
    if (!reusable) return m_imgFrame.LoadFromBitmap(m_imgBack.GetBitmapHandle());
    const size_t rowBytes = size_t(m_imgBack.GetRowStride());
    for (int y = 0; y < m_imgBack.GetHeight(); ++y)
        std::memcpy(m_imgFrame.GetRow(y), m_imgBack.GetRow(y), rowBytes);
    return true;
}

void FCLayeredWindow::Redraw() {
    RECT rc = {};
    ::GetWindowRect(m_hWnd, &rc);
    if (::IsRectEmpty(&rc)) return;
    if (!StartFrame()) return;
    FCObjImage& img = m_imgFrame;
    {
        MemoryDCScope scope(img.GetBitmapHandle());
        for (size_t i = 0; i < m_objects.Count(); ++i) {
            FCLayeredObject* obj = m_objects.At(i);
            const RECT& r = obj->m_rcObject;
            ::SetViewportOrgEx(scope.Get(), r.left, r.top, nullptr);
            obj->Draw(scope.Get(), r.right - r.left, r.bottom - r.top);
        }
        ::GdiFlush();
    }
    OnComposed(img);
    PremultiplyAlpha(img);

    MemoryDCScope scope(img.GetBitmapHandle());
    POINT origin = {rc.left, rc.top};
    SIZE size = {rc.right - rc.left, rc.bottom - rc.top};
    POINT source = {0, 0};
    BLENDFUNCTION blend = kPerPixelAlphaBlend;
    ::UpdateLayeredWindow(m_hWnd, nullptr, &origin, &size, scope.Get(), &source, 0, &blend,
                          ULW_ALPHA);
}

void FCLayeredWindow::OnComposed(FCObjImage& img) {
    if (!m_imgBack.HasPixels() || m_imgBack.GetBitsPerPixel() != 32 || img.GetBitsPerPixel() != 32)
        return;
    const int width = img.GetWidth() < m_imgBack.GetWidth() ? img.GetWidth() : m_imgBack.GetWidth();
    const int height =
        img.GetHeight() < m_imgBack.GetHeight() ? img.GetHeight() : m_imgBack.GetHeight();
    for (int y = 0; y < height; ++y) {
        uint8_t* out = img.GetRow(y) + 3;
        const uint8_t* in = m_imgBack.GetRow(y) + 3;
        for (int x = 0; x < width; ++x, out += 4, in += 4) *out = *in;
    }
}

void FCLayeredWindow::PostAfterPress(HWND target, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (IsTrackingPress()) {
        m_afterPress.push_back(PendingPost{target, msg, wParam, lParam});
    } else {
        ::PostMessageW(target, msg, wParam, lParam);
    }
}

LRESULT FCLayeredWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    TrackMessage(m_hWnd, msg);
    if (msg >= WM_MOUSEFIRST && msg <= WM_XBUTTONDBLCLK && m_pToolTip) {
        m_pToolTip->Relay(m_hWnd, msg, wParam, lParam);
    }
    switch (msg) {
        case WM_SETCURSOR: {
            // The pointer where it is now: WM_SETCURSOR comes before the WM_MOUSEMOVE that
            // would update the last known point, which lags one move behind.
            POINT pt;
            ::GetCursorPos(&pt);
            ::ScreenToClient(m_hWnd, &pt);
            FCLayeredObject* obj = HitTest(pt.x, pt.y);
            if (obj && obj->m_hCursor) {
                ::SetCursor(obj->m_hCursor);
                return TRUE;
            }
            break;
        }
        case WM_MOUSEMOVE:
            UpdateHover(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            break;
        case WM_LBUTTONDOWN:
            TrackPress(HitTest(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
            break;
        default:
            break;
    }
    return FCMessageWindow::WindowProc(msg, wParam, lParam);
}

void FCLayeredWindow::UpdateHover(int x, int y) {
    for (size_t i = 0; i < m_objects.Count(); ++i) {
        if (m_objects.At(i)->UpdateHoverFlag(x, y)) Redraw();
    }
    m_ptLastMouse = POINT{x, y};
}

void FCLayeredWindow::OnMouseEnter() { RegisterTips(); }

void FCLayeredWindow::OnMouseLeave() { UpdateHover(kOutside, kOutside); }

// Each element with a text gets its own tool, once per window.
void FCLayeredWindow::RegisterTips() {
    if (!m_pToolTip) return;
    for (size_t i = 0; i < m_objects.Count(); ++i) {
        FCLayeredObject* obj = m_objects.At(i);
        if (obj->m_bTipRegistered || obj->m_strTip.empty()) continue;
        m_pToolTip->AddTool(m_hWnd, kFirstTipId + UINT(i), obj->m_rcObject, obj->m_strTip.c_str());
        obj->m_bTipRegistered = true;
    }
}

void FCLayeredWindow::TrackPress(FCLayeredObject* obj) {
    if (!obj || IsTrackingPress()) return;
    KeepThisModuleLoaded();  // the loop below dispatches whatever comes, a release among it
    m_pressed = obj;
    obj->m_bPressed = 1;
    // Whatever fails inside (memory, an action), the press ends here: one left set would keep
    // the window from ever closing, and the posts held back for its end would pile up.
    NoThrow([&] { RunPress(obj); });
    FinishPress(obj);
}

void FCLayeredWindow::RunPress(FCLayeredObject* obj) {
    Redraw();
    ::SetCapture(m_hWnd);
    POINT releasedAt = {kOutside, kOutside};
    bool released = false;
    MSG msg;
    for (;;) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The thread's own loop must still see the quit; the press ends without a click.
            ::PostQuitMessage(int(msg.wParam));
            break;
        }
        if (got < 0) break;
        if (::GetCapture() != m_hWnd) {
            // Capture taken away: no click. The message is not ours to drop.
            if (msg.message != WM_MOUSEMOVE && msg.message != WM_LBUTTONUP)
                m_afterPress.push_back(PendingPost{msg.hwnd, msg.message, msg.wParam, msg.lParam});
            break;
        }
        if (!PressStep(obj, msg, &releasedAt)) {
            released = true;
            break;
        }
    }
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    if (released && HitTest(releasedAt.x, releasedAt.y) == obj) OnObjectClick(obj->m_nId, obj);
}

bool FCLayeredWindow::PressStep(FCLayeredObject* obj, const MSG& msg, POINT* releasedAt) {
    if (msg.message != WM_MOUSEMOVE && msg.message != WM_LBUTTONUP) {
        ::DispatchMessageW(&msg);
        return true;
    }
    const POINT pt = PointOf(msg.lParam);
    if (obj->UpdateHoverFlag(pt.x, pt.y)) Redraw();
    if (msg.message != WM_LBUTTONUP) return true;
    *releasedAt = pt;
    return false;
}

void FCLayeredWindow::FinishPress(FCLayeredObject* obj) {
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    obj->m_bPressed = 0;
    m_pressed = nullptr;
    std::vector<PendingPost> pending;
    pending.swap(m_afterPress);
    for (const PendingPost& p : pending) {
        if (p.target) {
            ::PostMessageW(p.target, p.msg, p.wParam, p.lParam);
        } else {
            ::PostThreadMessageW(::GetCurrentThreadId(), p.msg, p.wParam, p.lParam);
        }
    }
    Redraw();
}
