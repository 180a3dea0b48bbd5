#include "tipui/WndPopTip.h"

#include <shellapi.h>

#include <vector>

#include "channel/PercentCoding.h"
#include "image/PngResource.h"
#include "tipui/AnsiText.h"
#include "tipui/MainProgramLauncher.h"
#include "tipui/TipMessages.h"
#include "tipui/TipSettings.h"
#include "toolkit/Scoped.h"
#include "veko.h"

namespace {

enum ElementId {
    kClose = 330,
    kHomepageRepair = 303,
    kReport = 300,
    kBrowserRepair = 301,
    kOpenMainProgram = 370,
    kHideBadge = 371,
};

FCObjImage Picture(int id, const PngDecoder& decoder) {
    FCObjImage image;
    LoadPngImage(image, unsigned(id), decoder);
    return image;
}

SIZE FrameSize(const FCObjImage& strip) { return SIZE{strip.GetWidth() / 3, strip.GetHeight()}; }

DWORD WINAPI HideBadgeThread(void* param) {
    return NoThrow(DWORD(0), [param] {
        const HWND owner = static_cast<HWND>(param);
        const int answer = ::MessageBoxW(
            nullptr, L"您确定要隐藏地址栏状态图标吗？\n\n关闭后，您可以在koxQuenda的设置中开启显示",
            L"koxQuenda", MB_YESNO | MB_ICONWARNING);
        if (answer != IDYES) return DWORD(0);
        StartMainProgram(veko::kStartCommandBadgeHidden);
        ::PostMessageW(owner, UM_HIDE_ADDRESS_TIP, 0, 0);
        return DWORD(0);
    });
}

}  // namespace

std::wstring ReportLink(const std::wstring& address) {
    const std::string ansi = ToAnsi(address);
    // Every byte takes at most three characters: this always fits.
    std::vector<char> encoded(8 * ansi.size() + 1, '\0');
    uint32_t needed = 0;
    PercentEncodeUrl(ansi.c_str(), encoded.data(), &needed, uint32_t(encoded.size()));
    return std::wstring(L"http://") + kReportHost + L"/report/index.php?title=%20&url=" +
           FromAnsi(encoded.data());
}

CWndPopTip::CWndPopTip(HWND hwndOwner, int x, int y, int backgroundId, int textId)
    : m_hWndOwner(hwndOwner) {
    {
        const PngDecoder decoder;
        SetBackground(Picture(backgroundId, decoder));
        AddButton(kClose, 309, 28, false, L"关闭", decoder);
        if (textId != 0) {
            AddElement(new FCLayeredImage(Picture(textId, decoder)), textId, 71, 84, SIZE{260, 20});
        }
        AddButton(kHomepageRepair, 66, 137, true, nullptr, decoder);
        AddButton(kReport, 66, 165, true, nullptr, decoder);
        AddButton(kBrowserRepair, 212, 137, true, nullptr, decoder);
        AddButton(kOpenMainProgram, 13, 195, true, nullptr, decoder);
        AddButton(kHideBadge, 170, 195, true, nullptr, decoder);
    }
    Create(x, y, hwndOwner, TRUE, WS_EX_TOOLWINDOW);
    StartTimer(200);
}

CWndPopTip::~CWndPopTip() { KillTimer(); }

void CWndPopTip::AddElement(FCLayeredObject* obj, int imageId, int left, int top, SIZE size) {
    AddObject(obj, RECT{left, top, left + size.cx, top + size.cy}, imageId);
}

void CWndPopTip::AddButton(int imageId, int left, int top, bool hand, const wchar_t* tip,
                           const PngDecoder& decoder) {
    const FCObjImage strip = Picture(imageId, decoder);
    auto* button = new FCLayered3ImageButton(strip);
    if (hand) button->SetHoverCursor(::LoadCursorW(nullptr, IDC_HAND));
    button->SetTipText(tip);
    AddElement(button, imageId, left, top, FrameSize(strip));
}

void CWndPopTip::OnObjectClick(int id, FCLayeredObject*) {
    switch (id) {
        case kClose:
            ::PostMessageW(m_hWndOwner, UM_CLOSE_POP_TIP, 0, 0);
            break;
        case kReport:
            Report();
            break;
        case kBrowserRepair:
            StartMainProgram(veko::kStartCommandRepairBrowser);
            break;
        case kHomepageRepair:
            StartMainProgram(veko::kStartCommandRepairHomePage);
            break;
        case kOpenMainProgram:
            StartMainProgram(veko::kStartCommandOpen);
            break;
        case kHideBadge: {
            HANDLE thread = ::CreateThread(nullptr, 0, HideBadgeThread, m_hWndOwner, 0, nullptr);
            if (thread) ::CloseHandle(thread);
            break;
        }
        default:
            break;
    }
}

// The browser's frame may be raised above the pop-up that it owns after the pop-up opened (its
// activation by the click that opened it can arrive late): the pop-up then goes back on top.
void CWndPopTip::RaiseAboveOwnerFrame() {
    const HWND frame = ::GetAncestor(m_hWndOwner, GA_ROOT);
    for (HWND above = ::GetWindow(m_hWnd, GW_HWNDPREV); above;
         above = ::GetWindow(above, GW_HWNDPREV)) {
        if (above == frame) {
            ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            return;
        }
    }
}

void CWndPopTip::Report() const {
    ::ShellExecuteW(nullptr, L"open", ReportLink(m_strAddress).c_str(), nullptr, nullptr,
                    SW_SHOWNORMAL);
}

void CWndPopTip::OnTimer() {
    RaiseAboveOwnerFrame();
    RECT owner = {};
    ::GetWindowRect(m_hWndOwner, &owner);
    owner.left -= 20;  // the way from the badge into the panel
    RECT self = {};
    ::GetWindowRect(m_hWnd, &self);
    if (::IsRectEmpty(&owner) || ::IsRectEmpty(&self)) return;
    POINT pt;
    ::GetCursorPos(&pt);
    if (::PtInRect(&owner, pt) || ::PtInRect(&self, pt)) return;
    ::PostMessageW(m_hWndOwner, UM_CLOSE_POP_TIP, 0, 0);
}
