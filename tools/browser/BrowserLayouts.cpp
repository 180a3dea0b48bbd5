#include "BrowserLayouts.h"

#include <commctrl.h>

namespace {

HINSTANCE Instance() { return ::GetModuleHandleW(nullptr); }

// The case-variant decoy class is registered for another module's instance, so that the real
// "Edit"s this program creates keep the system class.
HINSTANCE CaseVariantInstance() { return ::GetModuleHandleW(L"kernel32.dll"); }

void RegisterGeneric(const wchar_t* name) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = Instance();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    ::RegisterClassExW(&wc);
}

// A real edit control under another class name.
void RegisterEditSuperclass(const wchar_t* name, HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    ::GetClassInfoExW(nullptr, L"Edit", &wc);
    wc.hInstance = instance;
    wc.lpszClassName = name;
    ::RegisterClassExW(&wc);
}

struct Builder {
    BuiltFrame built;

    HWND Box(HWND parent, const wchar_t* cls, int x, int y, int w, int h,
             const wchar_t* text = L"") {
        return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, w, h,
                                 parent, nullptr, Instance(), nullptr);
    }
    HWND Edit(HWND parent, const wchar_t* cls, int x, int y, int w, int h,
              HINSTANCE instance = nullptr) {
        HWND edit =
            ::CreateWindowExW(WS_EX_CLIENTEDGE, cls, L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, x,
                              y, w, h, parent, nullptr, instance ? instance : Instance(), nullptr);
        if (edit) built.edits.push_back(edit);
        return edit;
    }
    HWND Address(HWND edit) { return built.addressEdit = edit; }

    void InternetExplorer(HWND frame) {
        HWND rebar = Box(Box(frame, L"WorkerW", 0, 0, 760, 64), L"ReBarWindow32", 0, 0, 760, 64);
        HWND display = Box(Box(rebar, L"Address Band Root", 0, 4, 520, 28),
                           L"AddressDisplay Control", 0, 0, 520, 28);
        Address(Edit(display, L"Edit", 24, 4, 470, 20));
        Edit(Box(rebar, L"SearchBand", 530, 4, 220, 28), L"Edit", 4, 4, 200, 20);
        HWND page = Box(Box(frame, L"Shell DocObject View", 0, 64, 760, 170),
                        L"Internet Explorer_Server", 0, 0, 760, 170);
        Edit(page, L"Edit", 20, 20, 200, 22);  // a form field of the page
    }

    void InternetExplorer6(HWND frame, const std::vector<int>& widths) {
        HWND rebar = Box(Box(frame, L"WorkerW", 0, 0, 760, 64), L"ReBarWindow32", 0, 0, 760, 64);
        // Given widths: those edits are the frame's only ones. Otherwise a links band's edit
        // comes before the address combo's.
        if (widths.empty()) Edit(Box(rebar, L"LinksBand", 0, 2, 150, 26), L"Edit", 2, 2, 140, 20);
        const DWORD comboStyle = widths.empty() ? CBS_DROPDOWN : CBS_DROPDOWNLIST;
        HWND combo = ::CreateWindowExW(0, WC_COMBOBOXEXW, L"", WS_CHILD | WS_VISIBLE | comboStyle,
                                       160, 2, 590, 200, rebar, nullptr, Instance(), nullptr);
        if (widths.empty()) {
            HWND edit = reinterpret_cast<HWND>(::SendMessageW(combo, CBEM_GETEDITCONTROL, 0, 0));
            if (edit) built.edits.push_back(edit);
            Address(edit);
            return;
        }
        HWND bar = Box(rebar, L"AddressBar", 0, 32, 760, 30);
        int x = 0;
        for (int width : widths) {
            Address(Edit(bar, L"Edit", x, 4, width, 22));
            x += width + 4;
        }
    }

    void Maxthon(HWND frame) {
        Edit(Box(frame, L"MxSearchBar", 560, 0, 200, 32), L"Edit", 4, 4, 190, 22);
        HWND bar = Box(frame, L"MxAddressBar", 0, 0, 550, 32);
        Address(Edit(Box(bar, L"MxAddressHost", 40, 2, 500, 28), L"EDIT", 2, 3, 490, 22,
                     CaseVariantInstance()));
    }

    void Maxthon2(HWND frame) {
        HWND dock = Box(frame, L"XTPDockBar", 0, 0, 760, 64);
        Edit(Box(dock, L"XTPToolBar", 0, 0, 300, 28, L"菜单栏"), L"RichEdit20W", 2, 2, 200, 22);
        HWND bar = Box(dock, L"XTPToolBar", 0, 30, 600, 32, L"地址栏");
        Address(Edit(Box(bar, L"XTPControlHost", 40, 2, 550, 28), L"RichEdit20W", 2, 3, 530, 22));
        Edit(Box(dock, L"XTPToolBar", 610, 30, 140, 32, L"地址栏"), L"RichEdit20W", 2, 3, 130, 22);
    }

    void Sogou(HWND frame) {
        HWND bar = Box(frame, L"SE_TuotuoToolbar", 0, 0, 760, 40);
        Edit(bar, L"Edit", 4, 8, 80, 22);
        Address(Edit(Box(bar, L"SE_TuotuoAddressBar", 100, 4, 480, 32),
                     L"SE_TuotuoAddressBarEditCtrl", 4, 6, 460, 20));
        Edit(Box(bar, L"SE_TuotuoSearchBar", 590, 4, 160, 32), L"SE_TuotuoAddressBarEditCtrl", 4, 6,
             150, 20);
    }

    void TT(HWND frame) {
        HWND bar = Box(frame, L"TTToolBar", 0, 0, 760, 36);
        Address(Edit(Box(bar, L"TTAddressHost", 10, 4, 540, 28), L"Edit", 2, 3, 530, 22));
        Edit(Box(bar, L"TTSearchHost", 560, 4, 190, 28), L"Edit", 2, 3, 180, 22);
        Edit(Box(frame, L"TTPageHost", 0, 40, 760, 190), L"Edit", 20, 20, 200, 22);
    }
};

const wchar_t* FrameClassOf(const std::wstring& kind) {
    if (kind == L"ie8" || kind == L"ie7" || kind == L"ie6" || kind == L"maxthon") return L"IEFrame";
    if (kind == L"maxthon2") return L"Maxthon2_Frame";
    if (kind == L"sogou") return L"SE_SogouExplorerFrame";
    if (kind == L"tt") return L"_____TTFrameWnd__101__";
    return nullptr;
}

// The owner of a ComboBoxEx32 address bar sets the address through the combo (item -1 is the
// edit's text), as Internet Explorer 6 and Wine's Internet Explorer have it; other address edits
// get their text directly.
void SetAddressText(HWND edit, const std::wstring& text) {
    HWND comboEx = ::GetParent(::GetParent(edit));
    wchar_t className[32] = {};
    ::GetClassNameW(comboEx, className, 32);
    if (::lstrcmpiW(className, WC_COMBOBOXEXW) != 0) {
        ::SetWindowTextW(edit, text.c_str());
        return;
    }
    COMBOBOXEXITEMW item = {};
    item.mask = CBEIF_TEXT;
    item.iItem = -1;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(comboEx, CBEM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

void RegisterLayoutClasses() {
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_USEREX_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&icc);
    ::LoadLibraryW(L"riched20.dll");
    for (const wchar_t* name : {L"IEFrame",
                                L"Maxthon2_Frame",
                                L"SE_SogouExplorerFrame",
                                L"_____TTFrameWnd__101__",
                                L"WorkerW",
                                L"ReBarWindow32",
                                L"Address Band Root",
                                L"AddressDisplay Control",
                                L"SearchBand",
                                L"Shell DocObject View",
                                L"Internet Explorer_Server",
                                L"LinksBand",
                                L"AddressBar",
                                L"MxSearchBar",
                                L"MxAddressBar",
                                L"MxAddressHost",
                                L"XTPDockBar",
                                L"XTPToolBar",
                                L"XTPControlHost",
                                L"SE_TuotuoToolbar",
                                L"SE_TuotuoAddressBar",
                                L"SE_TuotuoSearchBar",
                                L"TTToolBar",
                                L"TTAddressHost",
                                L"TTSearchHost",
                                L"TTPageHost"}) {
        RegisterGeneric(name);
    }
    RegisterEditSuperclass(L"SE_TuotuoAddressBarEditCtrl", Instance());
    RegisterEditSuperclass(L"EDIT", CaseVariantInstance());
}

BuiltFrame BuildFrame(const FrameOptions& options, POINT origin, bool atBottom) {
    Builder b;
    const wchar_t* frameClass = FrameClassOf(options.kind);
    if (!frameClass) return b.built;
    HWND frame =
        ::CreateWindowExW(0, frameClass, L"Stand-in browser", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                          origin.x, origin.y, 780, 280, nullptr, nullptr, Instance(), nullptr);
    b.built.frame = frame;
    if (!frame) return b.built;
    const std::wstring& k = options.kind;
    if (k == L"ie8" || k == L"ie7") b.InternetExplorer(frame);
    if (k == L"ie6") b.InternetExplorer6(frame, options.ie6EditWidths);
    if (k == L"maxthon") b.Maxthon(frame);
    if (k == L"maxthon2") b.Maxthon2(frame);
    if (k == L"sogou") b.Sogou(frame);
    if (k == L"tt") b.TT(frame);
    if (b.built.addressEdit) SetAddressText(b.built.addressEdit, options.url);
    if (atBottom) {
        ::SetWindowPos(frame, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        ::ShowWindow(frame, SW_SHOW);
    }
    return b.built;
}
