#include "hook/ManagerSameProcessWnd.h"

#include <shlwapi.h>

#include "hook/AddressBarFinder.h"
#include "hook/EnvProbes.h"
#include "tipui/TipMessages.h"

namespace {

constexpr UINT kRescanInterval = 2000;

std::wstring ClassNameOf(HWND hwnd) {
    wchar_t className[MAX_PATH] = {};
    ::GetClassNameW(hwnd, className, MAX_PATH);
    return className;
}

bool SameText(const wchar_t* a, const wchar_t* b) { return ::lstrcmpiW(a, b) == 0; }

bool HasRescan(BrowserKind kind) {
    return kind == BrowserIE6 || kind == BrowserIE7 || kind == BrowserIE8 || kind == BrowserSogou ||
           kind == BrowserTT;
}

}  // namespace

// ---- served edits ---------------------------------------------------------------------------

bool CEditHookMap::Contains(HWND edit) {
    ScopedLock lock(m_lock);
    return m_records.count(edit) != 0;
}

bool CEditHookMap::Lookup(HWND edit, WNDPROC ours, Served& served) {
    ScopedLock lock(m_lock);
    auto it = m_records.find(edit);
    if (it == m_records.end()) return false;
    CWndAddressTip* tip = it->second->m_pAddressTip.get();
    const HWND window = tip ? tip->GetHwnd() : nullptr;
    const bool own =
        window && ::GetWindowThreadProcessId(window, nullptr) == ::GetCurrentThreadId();
    const bool foreign =
        !m_released && reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(edit, GWLP_WNDPROC)) != ours;
    served = Served{it->second->m_pfnOldProc, window, own ? tip : nullptr, foreign};
    return true;
}

void CEditHookMap::Subclass(HWND edit, std::unique_ptr<EditHookRecord> record, WNDPROC proc) {
    ScopedLock lock(m_lock);
    EditHookRecord* entered = record.get();
    // The current procedure first: should the map not take the record, nothing is replaced.
    entered->m_pfnOldProc = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(edit, GWLP_WNDPROC));
    m_records.emplace(edit, std::move(record));
    entered->m_pfnOldProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

void CEditHookMap::Release(WNDPROC ours) {
    std::vector<std::unique_ptr<CWndAddressTip>> tips;
    {
        ScopedLock lock(m_lock);
        m_released = true;
        for (auto& [edit, record] : m_records) {
            const auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(edit, GWLP_WNDPROC));
            if (::IsWindow(edit) && current == ours) {
                ::SetWindowLongPtrW(edit, GWLP_WNDPROC,
                                    reinterpret_cast<LONG_PTR>(record->m_pfnOldProc));
            }
            tips.push_back(std::move(record->m_pAddressTip));
        }
    }
    tips.clear();  // destroys the tip windows outside the lock, in ascending edit order
}

// ---- the edit's procedure ---------------------------------------------------------------------

BOOL IsBrowserFrameClass(const wchar_t* className) {
    for (const wchar_t* frameClass :
         {L"IEFrame", L"SE_SogouExplorerFrame", L"_____TTFrameWnd__101__", L"Maxthon2_Frame"}) {
        if (SameText(className, frameClass)) return TRUE;
    }
    return FALSE;
}

// Messages after which the edit may lie above the tip: it was moved, sized, re-stacked, shown,
// painted or focused. After any other message the stacking is what it was, and asking the system
// would cost far more than the message itself.
bool MayChangeStacking(UINT message) {
    switch (message) {
        case WM_WINDOWPOSCHANGED:
        case WM_SIZE:
        case WM_MOVE:
        case WM_SHOWWINDOW:
        case WM_PAINT:
        case WM_NCPAINT:
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_SETTEXT:
        case WM_CHAR:
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
            return true;
        default:
            return false;
    }
}

// Whether the library has been kept loaded for good because a procedure of someone else's sits
// above ours on a served edit.
volatile LONG g_foreignAbove = 0;

LRESULT CALLBACK AddressEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CEditHookMap::Served served = {};
    if (!NoThrow(false, [&] { return s_mapEditHooks.Lookup(hwnd, AddressEditProc, served); }))
        return 0;
    // The edit's context menu runs a modal loop below this frame, and that loop dispatches
    // whatever comes, the release of the library among it.
    if (message == WM_CONTEXTMENU) KeepThisModuleLoaded();
    // A procedure put on the edit after ours (autocompletion, a toolbar, an add-on) calls ours
    // for as long as it lives: ours can then never be taken off, and the library must stay.
    // Once the map is released the old procedure is back by our own hand, and a pin then would
    // wait for the loader lock that the unloading thread holds while it waits for this thread.
    if (!g_foreignAbove && served.foreignAbove) {
        ::InterlockedExchange(&g_foreignAbove, 1);
        KeepThisModuleLoaded();
    }
    const LRESULT result = ::CallWindowProcW(served.oldProc, hwnd, message, wParam, lParam);
    if (!served.tip) return result;  // torn down: only forward
    if (!MayChangeStacking(message)) return result;
    NoThrow([&] {
        if (message == WM_SIZE) {
            if (served.ownTip) {
                served.ownTip->Layout();
            } else {
                ::PostMessageW(served.tip, UM_LAYOUT_ADDRESS_TIP, 0, 0);
            }
        }
        // Raising a window that is already above its siblings changes nothing: skip the call.
        if (::GetWindow(::GetParent(served.tip), GW_CHILD) != served.tip) {
            ::BringWindowToTop(served.tip);
        }
    });
    return result;
}

// ---- the manager ------------------------------------------------------------------------------

CManagerSameProcessWnd::~CManagerSameProcessWnd() {
    if (!m_bProcessExiting) NoThrow([] { s_mapEditHooks.Release(AddressEditProc); });
}

void CManagerSameProcessWnd::Start(HWND frame) {
    m_dwProcessId = ::GetCurrentProcessId();
    wchar_t exePath[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, exePath, MAX_PATH);
    m_strExeName = ::PathFindFileNameW(exePath);
    m_nBrowserKind = DetectBrowserKind(ClassNameOf(frame).c_str());
    if (AttachFrame(frame)) m_frames.push_back(frame);
    if (HasRescan(m_nBrowserKind)) StartTimer(kRescanInterval);
}

BrowserKind CManagerSameProcessWnd::DetectBrowserKind(const wchar_t* className) const {
    if (SameText(className, L"IEFrame")) {
        if (SameText(m_strExeName.c_str(), L"maxthon.exe")) return BrowserMaxthon;
        const std::wstring major = ReadIEBuildMajor();
        if (major == L"8") return BrowserIE8;
        if (major == L"7") return BrowserIE7;
        if (major == L"6") return BrowserIE6;
    }
    if (SameText(className, L"SE_SogouExplorerFrame")) return BrowserSogou;
    if (SameText(className, L"_____TTFrameWnd__101__")) return BrowserTT;
    if (SameText(className, L"Maxthon2_Frame")) return BrowserMaxthon2;
    return BrowserUnknown;
}

BOOL CManagerSameProcessWnd::AttachFrame(HWND frame) {
    if (!::IsWindow(frame)) return FALSE;
    HWND edit = FindAddressEdit(m_nBrowserKind, frame);
    if (!edit) return FALSE;
    HWND parent = ::GetParent(edit);
    if (!parent || !IsAddressBarAlertOn()) return TRUE;
    if (s_mapEditHooks.Contains(edit)) return TRUE;

    auto record = std::make_unique<EditHookRecord>();
    record->m_pAddressTip = std::make_unique<CWndAddressTip>(parent, edit, m_nBrowserKind);
    s_mapEditHooks.Subclass(edit, std::move(record), AddressEditProc);
    return TRUE;
}

void CManagerSameProcessWnd::OnTimer() {
    ::EnumWindows(RescanWindow, reinterpret_cast<LPARAM>(this));
}

BOOL CALLBACK CManagerSameProcessWnd::RescanWindow(HWND hwnd, LPARAM manager) {
    if (!manager) return TRUE;
    return NoThrow(TRUE, [&] {
        return reinterpret_cast<CManagerSameProcessWnd*>(manager)->TakeOnIfNewFrame(hwnd);
    });
}

BOOL CManagerSameProcessWnd::TakeOnIfNewFrame(HWND hwnd) {
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hwnd, &processId);
    if (processId != m_dwProcessId) return TRUE;
    if (!IsBrowserFrameClass(ClassNameOf(hwnd).c_str())) return TRUE;

    int deadSlot = -1;
    for (size_t i = 0; i < m_frames.size(); ++i) {
        if (m_frames[i] == hwnd) return FALSE;  // windows below a known frame wait for later
        if (deadSlot < 0 && !::IsWindow(m_frames[i])) deadSlot = static_cast<int>(i);
    }
    if (deadSlot >= 0) {
        m_frames[deadSlot] = hwnd;
    } else {
        m_frames.push_back(hwnd);
    }
    AttachFrame(hwnd);
    return TRUE;
}
