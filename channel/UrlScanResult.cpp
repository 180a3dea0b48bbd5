#include "channel/UrlScanResult.h"

#include <algorithm>
#include <vector>

#include "channel/ResultMessages.h"
#include "channel/TempFileExchange.h"
#include "toolkit/Scoped.h"

namespace {

// How long an answer may stay unread before the next asker gets the file: a result window of
// this thread reads its answer as soon as the thread gets to the message, however busy the
// thread is, so it is given much longer than any other asker.
constexpr DWORD kUnreadAnswerTimeout = 2000;
constexpr DWORD kUnreadAnswerTimeoutOwnThread = 10000;
constexpr UINT kNextAnswerPoll = 15;

// A peer is known by its class name alone, compared exactly.
bool IsResultWindow(HWND hwnd) {
    wchar_t className[128] = {};
    ::GetClassNameW(hwnd, className, 128);
    return ::lstrcmpW(className, veko::kResultWindowClass) == 0;
}

bool IsResultWindowOfThisThread(HWND hwnd) {
    return ::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId() &&
           IsResultWindow(hwnd);
}

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

// The result windows among the top-level ones. The platform picks them out by class (one call
// for each, not one for every window of the desktop); the name is still compared exactly.
std::vector<HWND> PeerWindows() {
    std::vector<HWND> peers;
    HWND after = nullptr;
    for (int restarts = 0;;) {
        const HWND next = ::FindWindowExW(nullptr, after, veko::kResultWindowClass, nullptr);
        if (!next) {
            // A window that went meanwhile ends the search early: it starts again from the
            // first, passing over those found.
            if (!after || ::IsWindow(after) || ++restarts > 8) return peers;
            after = nullptr;
            continue;
        }
        after = next;
        if (IsResultWindow(next) && std::find(peers.begin(), peers.end(), next) == peers.end())
            peers.push_back(next);
    }
}

}  // namespace

CUrlScanResult::CUrlScanResult() {
    OpenMessageFilter();
    RegisterPlainClass(veko::kResultWindowClass);
    // Born message-only, the cheap part of a window: the peers are asked at once and write their
    // answers while the window becomes the hidden top-level window that everyone finds (the
    // costlier part under Wine).
    Create(0, veko::kResultWindowClass, WS_POPUP, RECT{0, 0, 3, 3}, HWND_MESSAGE, nullptr);
    // A window that could not be created can receive no answer: asking would only make the
    // peers write files that nobody reads.
    if (!m_hWnd) return;
    AskPeers();
    const HWND desktop = ::GetDesktopWindow();
    ::SetParent(m_hWnd, desktop);
    if (::GetAncestor(m_hWnd, GA_PARENT) != desktop) {
        // Nothing would find a window left message-only: made anew the plain way (the answers
        // to the first handle are lost, and the peers answer the new one once those time out).
        Destroy();
        Create(0, veko::kResultWindowClass, WS_POPUP, RECT{0, 0, 3, 3}, desktop, nullptr);
        if (m_hWnd) AskPeers();
    }
}

CUrlScanResult::~CUrlScanResult() {
    m_nextAnswer.KillTimer();
    m_results.Clear();
    Destroy();
}

void CUrlScanResult::AskPeers() {
    for (HWND peer : PeerWindows()) {
        if (peer != m_hWnd) {
            ::PostMessageW(peer, NeedYourResultMessage(), reinterpret_cast<WPARAM>(m_hWnd), 0);
        }
    }
}

BOOL CUrlScanResult::LookupVerdict(LPCWSTR addressText, UrlVerdict* out) const {
    const UrlVerdict* found = m_results.FindDigest(ComputeDigestBytes(addressText));
    if (!found) return FALSE;
    *out = *found;
    return TRUE;
}

BOOL CUrlScanResult::LookupShownVerdict(LPCWSTR addressText, UrlVerdict* out) {
    m_shownDigest = ComputeDigestBytes(addressText);
    m_bShown = true;
    const UrlVerdict* found = m_results.FindDigest(m_shownDigest);
    m_bShownFound = found != nullptr;
    m_shownVerdict = found ? *found : 0;
    if (found) *out = *found;
    return m_bShownFound;
}

void CUrlScanResult::MergeCopyData(const COPYDATASTRUCT* data) {
    if (!data || data->dwData != veko::kCopyDataMagic || data->cbData != veko::kResultRecordBytes ||
        !data->lpData) {
        return;
    }
    m_results.MergeRecords(static_cast<const uint8_t*>(data->lpData), veko::kResultRecordBytes);
}

void CUrlScanResult::OnNeedYourResult(HWND asker) {
    // Only a result window reads the answer. On behalf of anything else (no window, a broadcast
    // handle, the desktop, another program's window) the file would lie unread and hold every
    // genuine asker back until it timed out.
    if (!IsResultWindow(asker)) return;
    if (!LastAnswerUnread()) {
        Answer(asker);
        return;
    }
    // The last asker is still to read the file: a new answer now would replace it under that
    // asker or be deleted by it. An asker whose own answer is the unread one gets that.
    if (asker == m_hWndLastAsker ||
        std::find(m_waitingAskers.begin(), m_waitingAskers.end(), asker) != m_waitingAskers.end())
        return;
    m_waitingAskers.push_back(asker);
    if (!m_nextAnswer.GetTimerId()) m_nextAnswer.StartTimer(kNextAnswerPoll);
}

void CUrlScanResult::Answer(HWND asker) {
    m_results.Compact();
    WriteCacheFile(m_hWnd, asker, m_results);
    m_hWndLastAsker = asker;
    m_bLastAskerOfThisThread = IsResultWindowOfThisThread(asker);
    m_dwLastAnswerTick = ::GetTickCount();
}

bool CUrlScanResult::LastAnswerUnread() const {
    if (!m_hWndLastAsker) return false;
    // A result window of this thread that is gone reads nothing any more; an asker elsewhere may
    // well read the file after its window has gone (the name does not depend on it).
    if (m_bLastAskerOfThisThread && !::IsWindow(m_hWndLastAsker)) return false;
    const DWORD timeout =
        m_bLastAskerOfThisThread ? kUnreadAnswerTimeoutOwnThread : kUnreadAnswerTimeout;
    if (::GetTickCount() - m_dwLastAnswerTick > timeout) return false;
    const std::wstring path = CacheFilePath(reinterpret_cast<WPARAM>(m_hWnd));
    return !path.empty() && ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void CUrlScanResult::AnswerWaitingAskers() {
    while (!m_waitingAskers.empty() && !LastAnswerUnread()) {
        const HWND asker = m_waitingAskers.front();
        m_waitingAskers.pop_front();
        if (::IsWindow(asker)) Answer(asker);
    }
    if (m_waitingAskers.empty()) m_nextAnswer.KillTimer();
}

void CUrlScanResult::SetVerdictListener(HWND listener, UINT message) {
    m_hWndListener = listener;
    m_nListenerMessage = message;
}

void CUrlScanResult::NotifyListener() {
    if (!m_hWndListener || m_bListenerNotified || !m_bShown) return;
    const UrlVerdict* found = m_results.FindDigest(m_shownDigest);
    if ((found != nullptr) == m_bShownFound && (!found || *found == m_shownVerdict)) return;
    m_bListenerNotified = ::PostMessageW(m_hWndListener, m_nListenerMessage, 0, 0) != FALSE;
}

LRESULT CUrlScanResult::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == NeedYourResultMessage()) {
        OnNeedYourResult(reinterpret_cast<HWND>(wParam));
        return 0;
    }
    if (msg == ThisMyScanResultMessage()) {
        ReadCacheFile(wParam, m_results);
        NotifyListener();
        return 0;
    }
    if (msg == NewUrlResultMessage()) {
        ReadResultFile(wParam, lParam, m_results);
        NotifyListener();
        return 1;
    }
    if (msg == WM_COPYDATA) {
        MergeCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        NotifyListener();
        return 1;
    }
    return ::DefWindowProcW(m_hWnd, msg, wParam, lParam);
}
