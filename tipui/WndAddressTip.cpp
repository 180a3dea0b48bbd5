#include "tipui/WndAddressTip.h"

#include <vector>

#include "hook/EnvProbes.h"
#include "tipui/AddressRepair.h"
#include "tipui/AnsiText.h"
#include "tipui/TipMessages.h"
#include "tipui/TipSettings.h"

namespace {

void AddStyle(HWND hwnd, LONG style) {
    ::SetWindowLongPtrW(hwnd, GWL_STYLE, ::GetWindowLongPtrW(hwnd, GWL_STYLE) | style);
}

// Sogou and TT give the badge the edit's own height; the others centre it in the parent.
bool SpansEditHeight(BrowserKind kind) { return kind == BrowserSogou || kind == BrowserTT; }

std::u16string AsU16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }
std::wstring AsWide(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }

// The process's ANSI code page, in which the safety page's parameter is decoded.
CodePage AnsiCodePage() {
    CodePage page;
    page.narrow = [](const std::u16string& text) { return ToAnsi(AsWide(text)); };
    page.widen = [](const std::string& ansi) { return AsU16(FromAnsi(ansi)); };
    return page;
}

}  // namespace

CWndAddressTip::CWndAddressTip(HWND hwndParent, HWND hwndEdit, BrowserKind kind)
    : m_tipBtn(0, hwndEdit), m_hWndEdit(hwndEdit), m_nBrowserKind(kind) {
    AddStyle(hwndParent, WS_CLIPCHILDREN);
    AddStyle(hwndEdit, WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
    const DWORD style = IsAddressBarAlertOn() ? (WS_CHILD | WS_VISIBLE) : WS_CHILD;
    // Made where they belong, so that only the tip's place among its siblings is left to set: a
    // new child window comes below them, the tip must lie over the edit.
    const RECT place = PlaceAgainstEdit(hwndParent);
    // The parent may run on another thread (a frame with a thread of its own): no notice of the
    // tip's coming and going is sent there, which would wait for that thread.
    Create(WS_EX_NOPARENTNOTIFY, nullptr, style, place, hwndParent, nullptr);
    m_tipBtn.Create(RECT{0, 0, place.right - place.left, place.bottom - place.top}, m_hWnd, 300,
                    WS_VISIBLE);
    ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    m_tipBtn.TakeUpVerdictsAtOnce();
    StartTimer(800);
}

// The badge goes first, then the timer (FCTimerNotify), then the window (FCRawWindow).
CWndAddressTip::~CWndAddressTip() = default;

RECT CWndAddressTip::PlaceAgainstEdit(HWND parent) const {
    RECT rcParent = {};
    ::GetClientRect(parent, &rcParent);
    RECT rcEdit = {};
    ::GetWindowRect(m_hWndEdit, &rcEdit);
    ::ScreenToClient(parent, reinterpret_cast<POINT*>(&rcEdit.left));
    ::ScreenToClient(parent, reinterpret_cast<POINT*>(&rcEdit.right));

    const SIZE frame = m_tipBtn.GetFrameSize();
    RECT place = {rcEdit.right - frame.cx, 0, rcEdit.right, 0};
    if (SpansEditHeight(m_nBrowserKind)) {
        place.top = rcEdit.top;
        place.bottom = rcEdit.bottom;
    } else {
        place.top = (rcParent.bottom - rcParent.top - frame.cy) / 2 + rcParent.top;
        place.bottom = place.top + frame.cy;
    }
    return place;
}

void CWndAddressTip::Layout() {
    const RECT place = PlaceAgainstEdit(::GetParent(m_hWnd));
    const LONG width = place.right - place.left;
    const LONG height = place.bottom - place.top;
    ::SetWindowPos(m_tipBtn.GetHwnd(), nullptr, 0, 0, width, height,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    ::SetWindowPos(m_hWnd, HWND_TOP, place.left, place.top, width, height,
                   SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

LRESULT CWndAddressTip::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == UM_LAYOUT_ADDRESS_TIP) {
        Layout();
        return 0;
    }
    return FCRawWindow::WindowProc(msg, wParam, lParam);
}

void CWndAddressTip::OnTimer() {
    if (::IsWindowVisible(m_hWnd)) {
        ::SetWindowPos(m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    }
    const std::wstring address = ReadAddress();
    m_tipBtn.UpdateAddress(address.c_str());
}

std::wstring CWndAddressTip::ReadAddress() {
    // The edit belongs to the browser and may claim any length: read no more than the longest
    // address there is. Beyond it the text is cut, and a cut text matches no verdict.
    int length = ::GetWindowTextLengthW(m_hWndEdit);
    if (length < 0) length = 0;
    if (length > kMaxAddressLength) length = kMaxAddressLength;
    std::vector<wchar_t> buffer(size_t(length) + 2, L'\0');
    ::GetWindowTextW(m_hWndEdit, buffer.data(), length + 1);
    std::u16string text = CutAtFirstSpace(AsU16(buffer.data()));
    if (IsSafetyPageAddress(text, AsU16(kSafetyInfoHost))) {
        text = SafetyPageTarget(text, AnsiCodePage());
        ::SetWindowTextW(m_hWndEdit, AsWide(text).c_str());
    }
    return AsWide(text);
}
