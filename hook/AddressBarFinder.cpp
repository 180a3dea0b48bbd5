#include "hook/AddressBarFinder.h"

#include "toolkit/Scoped.h"

namespace {

constexpr const wchar_t* kEdit = L"Edit";
constexpr const wchar_t* kMaxthon2AddressBarCaption = L"地址栏";

HWND FirstOf(const std::vector<HWND>& windows) { return windows.empty() ? nullptr : windows[0]; }

HWND LastOf(const std::vector<HWND>& windows) { return windows.empty() ? nullptr : windows.back(); }

// Internet Explorer 7 and 8: an address band somewhere in the frame, then the frame's first edit.
HWND FindInternetExplorer(HWND frame) {
    AddressBarFinder finder;
    if (finder.FindChildrenByClass(L"Address Band Root", frame).empty()) return nullptr;
    return FirstOf(finder.FindChildrenByClass(kEdit, frame));
}

#ifdef VEKO_COMPACT
// The widest edit; equal widths keep the earlier one, and nothing wider than 0 gives none.
HWND WidestOf(const std::vector<HWND>& windows) {
    HWND best = nullptr;
    LONG bestWidth = 0;
    for (HWND hwnd : windows) {
        RECT rc = {};
        ::GetWindowRect(hwnd, &rc);
        if (rc.right - rc.left > bestWidth) {
            bestWidth = rc.right - rc.left;
            best = hwnd;
        }
    }
    return best;
}
#endif

HWND FindInternetExplorer6(HWND frame) {
    AddressBarFinder finder;
    if (finder.FindChildrenByClass(L"ComboBoxEx32", frame).empty()) return nullptr;
#ifdef VEKO_COMPACT
    return WidestOf(finder.FindChildrenByClass(kEdit, frame));
#else
    return LastOf(finder.FindChildrenByClass(kEdit, frame));
#endif
}

// Classic Maxthon and TT: at least two edits in the frame.
HWND FindAmongTwoOrMoreEdits(HWND frame, bool takeLast) {
    AddressBarFinder finder;
    const std::vector<HWND>& edits = finder.FindChildrenByClass(kEdit, frame);
    if (edits.size() < 2) return nullptr;
    return takeLast ? LastOf(edits) : FirstOf(edits);
}

// Maxthon 2: the first rich edit of the first toolbar captioned as the address bar. The search
// for rich edits replaces the toolbar list, so no later toolbar is looked at.
HWND FindMaxthon2(HWND frame) {
    AddressBarFinder finder;
    std::vector<HWND> toolbars = finder.FindChildrenByClass(L"XTPToolBar", frame);
    for (HWND toolbar : toolbars) {
        wchar_t caption[MAX_PATH] = {};
        ::GetWindowTextW(toolbar, caption, MAX_PATH);
        if (::lstrcmpiW(caption, kMaxthon2AddressBarCaption) != 0) continue;
        return FirstOf(finder.FindChildrenByClass(L"RichEdit20W", toolbar));
    }
    return nullptr;
}

HWND FindSogou(HWND frame) {
    AddressBarFinder finder;
    return FirstOf(finder.FindChildrenByClass(L"SE_TuotuoAddressBarEditCtrl", frame));
}

}  // namespace

const std::vector<HWND>& AddressBarFinder::FindChildrenByClass(const wchar_t* className,
                                                               HWND parent) {
    m_className = className;
    m_results.clear();
    ::EnumChildWindows(parent, Collect, reinterpret_cast<LPARAM>(this));
    return m_results;
}

BOOL CALLBACK AddressBarFinder::Collect(HWND hwnd, LPARAM param) {
    auto* finder = reinterpret_cast<AddressBarFinder*>(param);
    if (!finder) return TRUE;
    NoThrow([&] {
        wchar_t className[MAX_PATH] = {};
        ::GetClassNameW(hwnd, className, MAX_PATH);
        if (::lstrcmpiW(className, finder->m_className.c_str()) == 0)
            finder->m_results.push_back(hwnd);
    });
    return TRUE;
}

HWND FindAddressEdit(BrowserKind kind, HWND frame) {
    switch (kind) {
        case BrowserIE8:
        case BrowserIE7:
            return FindInternetExplorer(frame);
        case BrowserIE6:
            return FindInternetExplorer6(frame);
        case BrowserMaxthon:
            return FindAmongTwoOrMoreEdits(frame, true);
        case BrowserMaxthon2:
            return FindMaxthon2(frame);
        case BrowserSogou:
            return FindSogou(frame);
        case BrowserTT:
            return FindAmongTwoOrMoreEdits(frame, false);
        default:
            return nullptr;
    }
}
