#include "tipui/WndTipBtn.h"

#include <windowsx.h>

#include "hook/EnvProbes.h"
#include "image/DrawHelpers.h"
#include "image/PngResource.h"
#include "tipui/MainProgramLauncher.h"
#include "tipui/TipMessages.h"
#ifndef VEKO_COMPACT
#include "tipui/WndPopTip.h"
#endif

namespace {

// Windows 7 and later get the square pictures without transparency.
bool UsesSquarePictures() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    ::GetVersionExW(&version);
#pragma GCC diagnostic pop
    return version.dwMajorVersion >= 6 && version.dwMinorVersion >= 1;
}

bool IsMonitorOff() { return IsMalwareMonitorOff() || IsSpoofingMonitorOff(); }

}  // namespace

CWndTipBtn::CWndTipBtn(int, HWND hwndEdit) : m_hWndEdit(hwndEdit) { LoadBadgeImages(); }

CWndTipBtn::~CWndTipBtn() = default;

void CWndTipBtn::LoadBadgeImages() {
    const bool square = UsesSquarePictures();
    const PngDecoder decoder;
    PrepareResourceImage(m_imgSafe, square ? 355 : 350, decoder);
    PrepareResourceImage(m_imgAlarm, square ? 356 : 351, decoder);
    PrepareResourceImage(m_imgMonitorOff, square ? 357 : 352, decoder);
    PrepareResourceImage(m_imgBlank, 353, decoder);
}

SIZE CWndTipBtn::GetFrameSize() const {
    BITMAP info = {};
    ::GetObjectW(m_imgSafe.GetBitmapHandle(), sizeof(info), &info);
    return SIZE{info.bmWidth / 3, info.bmHeight};
}

void CWndTipBtn::UpdateAddress(const wchar_t* address) {
    // Each switch is read once per tick. The amber badge comes and goes with them, whatever
    // else changes.
    const bool malwareOff = IsMalwareMonitorOff() != FALSE;
    const bool spoofingOff = !malwareOff && IsSpoofingMonitorOff();
    if ((malwareOff || spoofingOff) != m_bMonitorOffShown) {
        m_bMonitorOffShown = malwareOff || spoofingOff;
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
    }
    if (malwareOff || spoofingOff) {
#ifndef VEKO_COMPACT
        m_nPopBackgroundId = 312;
        m_nPopTextId = malwareOff ? 327 : 328;
#endif
        return;
    }
    if (!address) return;
    if (m_strAddress != address) {
        m_pLastVerdict.reset();
        // A flash belongs to the address that started it, not to the next one.
        m_pFlashTimer.reset();
    }
    m_strAddress = address;

    // A missing verdict counts as 0, so that the badge repaints whenever what it shows changes.
    UrlVerdict verdict = 0;
    m_scanResult.LookupShownVerdict(address, &verdict);
    ApplyVerdict(verdict);

    if (m_nState == TipStateAlarm && m_setFlashed.insert(m_strAddress).second) {
        m_pFlashTimer = std::make_unique<CTimerFlashTip>(this);
        ::SetFocus(m_hWndEdit);
    }
    if (m_pLastVerdict && *m_pLastVerdict == verdict) return;
    m_pLastVerdict = std::make_unique<UrlVerdict>(verdict);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CWndTipBtn::ApplyVerdict(UrlVerdict verdict) {
    m_nState = veko::IsAlarmingVerdict(verdict) ? TipStateAlarm : TipStateNone;
#ifndef VEKO_COMPACT
    m_nPopBackgroundId = m_nState == TipStateAlarm ? 311 : 310;
    m_nPopTextId = 0;
    if (m_nState != TipStateAlarm) return;
    if (veko::IsUserBlocked(verdict)) {
        m_nPopTextId = 326;
        return;
    }
    switch (veko::VerdictClassOf(verdict)) {
        case veko::kClassTrojan:
            m_nPopTextId = 321;
            break;
        case veko::kClassPhishing:
        case veko::kClassPhishingToo:
            m_nPopTextId = 320;
            break;
        default:
            m_nPopTextId = 322;
            break;
    }
#endif
}

void CWndTipBtn::CTimerFlashTip::OnTimer() {
    if (++m_nCount > 9) KillTimer();
    ::InvalidateRect(m_pOwner->GetHwnd(), nullptr, TRUE);
}

void CWndTipBtn::CTimerDelayPopTip::OnTimer() {
    KillTimer();
#ifndef VEKO_COMPACT
    m_pOwner->ShowPopTip();
#endif
}

void CWndTipBtn::OnMouseEnter() { m_pDelayTimer = std::make_unique<CTimerDelayPopTip>(this); }

void CWndTipBtn::OnMouseLeave() { m_pDelayTimer.reset(); }

const FCObjImage& CWndTipBtn::ImageToDraw() const {
    if (IsMonitorOff()) return m_imgMonitorOff;
    if (IsFlashing()) return m_pFlashTimer->GetCount() % 2 ? m_imgAlarm : m_imgBlank;
    return m_nState == TipStateAlarm ? m_imgAlarm : m_imgSafe;
}

void CWndTipBtn::DrawButton(HDC hdc, RECT rc) {
    HBRUSH background = ::CreateSolidBrush(::GetSysColor(COLOR_WINDOW));
    ::FillRect(hdc, &rc, background);
    ::DeleteObject(background);

    const SIZE frame = GetFrameSize();
    const int sourceX = IsPushed() ? 2 * frame.cx : IsHovering() ? frame.cx : 0;
    const FCObjImage& image = ImageToDraw();
    if (!image.HasPixels()) return;
    const RECT dest = CenterFitRect(frame.cx, frame.cy, rc);
    MemoryDCScope source(image.GetBitmapHandle());
    ::AlphaBlend(hdc, dest.left, dest.top, frame.cx, frame.cy, source.Get(), sourceX, 0, frame.cx,
                 frame.cy, kPerPixelAlphaBlend);
}

RECT CWndTipBtn::CenterFitRect(int width, int height, RECT rc) {
    if (width == 0 || height == 0 || ::IsRectEmpty(&rc)) return RECT{0, 0, 0, 0};
    const int w = rc.right - rc.left;
    const int h = rc.bottom - rc.top;
    if (w < width || h < height) {
        const double hs = double(h) / height;
        const double ws = double(w) / width;
        const double scale = hs < ws ? hs : ws;
        width = int(width * scale);
        height = int(height * scale);
        if (width < 1) width = 1;
        if (height < 1) height = 1;
    }
    const int left = rc.left + (w - width) / 2;
    const int top = rc.top + (h - height) / 2;
    return RECT{left, top, left + width, top + height};
}

void CWndTipBtn::OnLeftButtonDown(LPARAM lParam) {
    m_pDelayTimer.reset();
#ifdef VEKO_COMPACT
    RECT client;
    ::GetClientRect(m_hWnd, &client);
    if (::PtInRect(&client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)})) {
        StartMainProgram(veko::kStartCommandRepairBrowser);
    }
#else
    (void)lParam;
    ShowPopTip();
#endif
}

LRESULT CWndTipBtn::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_LBUTTONDOWN: {
            // The button's own handling first: it focuses the button and so activates and
            // raises the browser's frame. A pop-up opened before that, which the frame owns,
            // would end up below it.
            const LRESULT result = FCRawButton::WindowProc(msg, wParam, lParam);
            OnLeftButtonDown(lParam);
            return result;
        }
        case UM_NEW_VERDICTS:
            m_scanResult.VerdictsTakenUp();
            // By the rules of the tick, for the address the last tick read; none read yet: the
            // first tick comes soon.
            if (m_pLastVerdict) UpdateAddress(std::wstring(m_strAddress).c_str());
            break;
        case UM_HIDE_ADDRESS_TIP:
            ::ShowWindow(::GetParent(m_hWnd), SW_HIDE);
            break;
#ifndef VEKO_COMPACT
        case UM_CLOSE_POP_TIP:
            // Never inside the pop-up's own press loop: then once the press is over.
            if (m_pPopTip && m_pPopTip->IsTrackingPress()) {
                m_pPopTip->PostAfterPress(m_hWnd, msg, wParam, lParam);
            } else {
                m_pPopTip.reset();
            }
            break;
        case UM_SHOW_POP_TIP:
            ShowPopTip();
            break;
        case WM_LBUTTONUP:
            RaisePopTip();
            break;
#endif
        default:
            break;
    }
    return FCRawButton::WindowProc(msg, wParam, lParam);
}

#ifndef VEKO_COMPACT
// Whatever the click activated meanwhile (the platform may raise the frame late), the pop-up that
// it opened lies above it.
void CWndTipBtn::RaisePopTip() {
    if (!m_pPopTip || !m_pPopTip->GetHwnd()) return;
    ::SetWindowPos(m_pPopTip->GetHwnd(), HWND_TOP, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void CWndTipBtn::ShowPopTip() {
    if (m_pPopTip && m_pPopTip->IsTrackingPress()) {
        m_pPopTip->PostAfterPress(m_hWnd, UM_SHOW_POP_TIP, 0, 0);
        return;
    }
    RECT rc = {};
    ::GetWindowRect(m_hWnd, &rc);
    m_pPopTip.reset();  // the old pop-up goes before the new one is built
    m_pPopTip = std::make_unique<CWndPopTip>(m_hWnd, rc.left - 232, rc.bottom, m_nPopBackgroundId,
                                             m_nPopTextId);
    m_pPopTip->SetAddress(m_strAddress);
}
#endif
