#include "channel/UrlScanResult.h"

#include <vector>

#include "channel/ResultMessages.h"
#include "channel/TempFileExchange.h"
#include "toolkit/Scoped.h"

namespace {

// Lets the four messages of the exchange through to a process of higher integrity, where the
// platform has such a filter.
void OpenMessageFilter() {
    using ChangeFilterFn = BOOL(WINAPI*)(UINT, DWORD);
    const auto change = reinterpret_cast<ChangeFilterFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleW(L"USER32"), "ChangeWindowMessageFilter")));
    if (!change) return;
    constexpr DWORD kAdd = 1;
    change(WM_COPYDATA, kAdd);
    change(NeedYourResultMessage(), kAdd);
    change(ThisMyScanResultMessage(), kAdd);
    change(NewUrlResultMessage(), kAdd);
}

BOOL CALLBACK CollectPeer(HWND hwnd, LPARAM param) {
    return NoThrow(TRUE, [&] {
        wchar_t className[128] = {};
        ::GetClassNameW(hwnd, className, 128);
        if (::lstrcmpW(className, veko::kResultWindowClass) == 0) {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
        }
        return TRUE;
    });
}

}  // namespace

CUrlScanResult::CUrlScanResult() {
    OpenMessageFilter();
    RegisterPlainClass(veko::kResultWindowClass);
    Create(0, veko::kResultWindowClass, WS_POPUP, RECT{0, 0, 3, 3}, ::GetDesktopWindow(), nullptr);
    // A window that could not be created can receive no answer: asking would only make the
    // peers write files that nobody reads.
    if (m_hWnd) AskPeers();
}

CUrlScanResult::~CUrlScanResult() {
    m_results.Clear();
    Destroy();
}

void CUrlScanResult::AskPeers() {
    std::vector<HWND> peers;
    ::EnumWindows(CollectPeer, reinterpret_cast<LPARAM>(&peers));
    for (HWND peer : peers) {
        if (peer != m_hWnd) {
            ::PostMessageW(peer, NeedYourResultMessage(), reinterpret_cast<WPARAM>(m_hWnd), 0);
        }
    }
}

BOOL CUrlScanResult::LookupVerdict(LPCWSTR addressText, UrlVerdict* out) const {
    const UrlVerdict* found = m_results.Find(ComputeDigestKey(addressText));
    if (!found) return FALSE;
    *out = *found;
    return TRUE;
}

void CUrlScanResult::MergeCopyData(const COPYDATASTRUCT* data) {
    if (!data || data->dwData != veko::kCopyDataMagic || data->cbData != veko::kResultRecordBytes ||
        !data->lpData) {
        return;
    }
    m_results.MergeRecords(static_cast<const uint8_t*>(data->lpData), veko::kResultRecordBytes);
}

LRESULT CUrlScanResult::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == NeedYourResultMessage()) {
        m_results.Compact();
        WriteCacheFile(m_hWnd, reinterpret_cast<HWND>(wParam), m_results);
        return 0;
    }
    if (msg == ThisMyScanResultMessage()) {
        ReadCacheFile(wParam, m_results);
        return 0;
    }
    if (msg == NewUrlResultMessage()) {
        ReadResultFile(wParam, lParam, m_results);
        return 1;
    }
    if (msg == WM_COPYDATA) {
        MergeCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        return 1;
    }
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}
