// Window objects: subclassing at creation, the default class, owner-draw reflection, and a
// destruction that the object never sees.
#include <gtest/gtest.h>

#include <vector>

#include "support/WindowQueries.h"
#include "toolkit/RawWindow.h"

namespace {

// A class of our own whose procedure notes what it sees when the window is destroyed.
struct ClassProcLog {
    int calls = 0;
    LONG_PTR procAtDestroy = 0;
    LONG_PTR userDataAtDestroy = -1;
} g_classLog;

LRESULT CALLBACK LoggingClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    ++g_classLog.calls;
    if (msg == WM_DESTROY) {
        g_classLog.procAtDestroy = ::GetWindowLongPtrW(hwnd, GWLP_WNDPROC);
        g_classLog.userDataAtDestroy = ::GetWindowLongPtrW(hwnd, GWLP_USERDATA);
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

const wchar_t* LoggingClass() {
    static const wchar_t* name = [] {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = LoggingClassProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"veko_test_logging_class";
        ::RegisterClassExW(&wc);
        return wc.lpszClassName;
    }();
    return name;
}

class ProbeWindow : public FCRawWindow {
  public:
    ~ProbeWindow() override { Destroy(); }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(msg);
        return FCRawWindow::WindowProc(msg, wParam, lParam);
    }
    void OnDrawItem(DRAWITEMSTRUCT* dis) override { drawn.push_back(dis); }
    void OnPaint(HDC) override { ++paints; }
    bool Saw(UINT msg) const { return std::find(seen.begin(), seen.end(), msg) != seen.end(); }

    std::vector<UINT> seen;
    std::vector<DRAWITEMSTRUCT*> drawn;
    int paints = 0;
};

constexpr RECT kBox = {0, 0, 60, 20};

TEST(RawWindow, DefaultClassServesEveryWindowCreatedWithoutAClass) {
    ProbeWindow first, second;
    first.Create(0, nullptr, WS_POPUP, kBox, nullptr, nullptr);
    second.Create(0, nullptr, WS_POPUP, kBox, nullptr, nullptr);
    ASSERT_TRUE(first.GetHwnd());
    ASSERT_TRUE(second.GetHwnd());
    EXPECT_EQ(ClassNameOf(first.GetHwnd()), L"uis_raw_popup_class");
    EXPECT_EQ(ClassNameOf(second.GetHwnd()), L"uis_raw_popup_class");
    EXPECT_EQ(::GetWindowLongPtrW(first.GetHwnd(), GWLP_USERDATA),
              reinterpret_cast<LONG_PTR>(&first));
}

TEST(RawWindow, MessagesReachTheObjectAndFallThroughToTheClass) {
    ProbeWindow button;
    button.Create(0, L"BUTTON", WS_POPUP, kBox, nullptr, nullptr);
    ::SendMessageW(button.GetHwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"press"));
    wchar_t text[16] = {};
    ::SendMessageW(button.GetHwnd(), WM_GETTEXT, 16, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"press");
    EXPECT_TRUE(button.Saw(WM_SETTEXT));

    HDC dc = ::GetDC(button.GetHwnd());
    EXPECT_EQ(::SendMessageW(button.GetHwnd(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1)
        << "the background is never erased, whatever the class would do";
    ::ReleaseDC(button.GetHwnd(), dc);

    ::ShowWindow(button.GetHwnd(), SW_SHOWNOACTIVATE);
    button.paints = 0;
    ::InvalidateRect(button.GetHwnd(), nullptr, FALSE);
    ::UpdateWindow(button.GetHwnd());
    EXPECT_EQ(button.paints, 1);
}

TEST(RawWindow, OwnerDrawIsReflectedToTheChildThatOwnsTheItem) {
    ProbeWindow parent, child;
    parent.Create(0, nullptr, WS_POPUP, kBox, nullptr, nullptr);
    child.Create(0, L"BUTTON", WS_CHILD | BS_OWNERDRAW, kBox, parent.GetHwnd(),
                 reinterpret_cast<HMENU>(300));
    HWND stranger = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 5, 5, parent.GetHwnd(),
                                      nullptr, nullptr, nullptr);

    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = 300;
    dis.hwndItem = child.GetHwnd();
    EXPECT_EQ(::SendMessageW(parent.GetHwnd(), WM_DRAWITEM, 300, reinterpret_cast<LPARAM>(&dis)),
              0);
    ASSERT_EQ(child.drawn.size(), 1u);
    EXPECT_EQ(child.drawn[0], &dis) << "the same structure, while the parent's send lasts";
    EXPECT_TRUE(parent.drawn.empty());

    dis.hwndItem = stranger;  // not one of ours: the reflection is ignored
    EXPECT_EQ(::SendMessageW(parent.GetHwnd(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis)), 0);
    EXPECT_EQ(child.drawn.size(), 1u);
}

TEST(RawWindow, DestroyTakesTheSubclassOffBeforeTheWindowGoes) {
    g_classLog = {};
    ProbeWindow probe;
    probe.Create(0, LoggingClass(), WS_POPUP, kBox, nullptr, nullptr);
    HWND hwnd = probe.GetHwnd();
    ASSERT_TRUE(hwnd);
    EXPECT_NE(::GetWindowLongPtrW(hwnd, GWLP_WNDPROC),
              reinterpret_cast<LONG_PTR>(LoggingClassProc));

    probe.Destroy();
    EXPECT_FALSE(::IsWindow(hwnd));
    EXPECT_EQ(probe.GetHwnd(), nullptr);
    EXPECT_EQ(g_classLog.procAtDestroy, reinterpret_cast<LONG_PTR>(LoggingClassProc));
    EXPECT_EQ(g_classLog.userDataAtDestroy, 0);
    EXPECT_FALSE(probe.Saw(WM_DESTROY));
    EXPECT_FALSE(probe.Saw(WM_NCDESTROY));
}

TEST(RawWindow, WindowDestroyedFromOutsideIsNoLongerCalled) {
    g_classLog = {};
    ProbeWindow probe;
    probe.Create(0, LoggingClass(), WS_POPUP, kBox, nullptr, nullptr);
    ::DestroyWindow(probe.GetHwnd());
    const int callsBefore = g_classLog.calls;
    EXPECT_EQ(probe.DefaultProc(WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_EQ(g_classLog.calls, callsBefore);
    probe.Destroy();  // only clears the stale handle
    EXPECT_EQ(probe.GetHwnd(), nullptr);
}

// The platform destroys a child with its parent: the object forgets the handle, which the
// platform may give to the next window.
TEST(RawWindow, WindowThePlatformDestroyedIsForgotten) {
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 80, 40, nullptr, nullptr,
                                    nullptr, nullptr);
    ProbeWindow child;
    child.Create(0, nullptr, WS_CHILD, kBox, parent, nullptr);
    ASSERT_TRUE(child.GetHwnd());
    ::DestroyWindow(parent);
    EXPECT_TRUE(child.Saw(WM_NCDESTROY));
    EXPECT_EQ(child.GetHwnd(), nullptr);
}

// A window object torn down on another thread than its window's (a detach there) does not wait
// for that thread, which may be waiting for the loader lock that the detach holds: the window is
// left to close on its own thread.
struct ForeignOwner {
    ProbeWindow window;
    HANDLE built = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE resume = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HWND hwnd = nullptr;

    // The window's own thread: builds it, then is busy elsewhere (no messages) until resumed.
    static DWORD WINAPI Own(void* param) {
        auto* o = static_cast<ForeignOwner*>(param);
        o->window.Create(0, nullptr, WS_POPUP, kBox, nullptr, nullptr);
        o->hwnd = o->window.GetHwnd();
        ::SetEvent(o->built);
        ::WaitForSingleObject(o->resume, INFINITE);
        PumpFor(200);
        return 0;
    }
    static DWORD WINAPI TearDown(void* param) {
        static_cast<ForeignOwner*>(param)->window.Destroy();
        return 0;
    }
};

TEST(RawWindow, TornDownOnAnotherThreadWithoutWaitingForTheOwner) {
    ForeignOwner owner;
    HANDLE thread = ::CreateThread(nullptr, 0, ForeignOwner::Own, &owner, 0, nullptr);
    ASSERT_EQ(::WaitForSingleObject(owner.built, 5000), WAIT_OBJECT_0);
    ASSERT_TRUE(owner.hwnd);
    HANDLE teardown = ::CreateThread(nullptr, 0, ForeignOwner::TearDown, &owner, 0, nullptr);
    EXPECT_EQ(::WaitForSingleObject(teardown, 3000), WAIT_OBJECT_0) << "the teardown waited";
    ::SetEvent(owner.resume);
    ::WaitForSingleObject(teardown, INFINITE);
    ::WaitForSingleObject(thread, 10000);
    EXPECT_FALSE(::IsWindow(owner.hwnd)) << "the window closed on its own thread";
    for (HANDLE h : {thread, teardown, owner.built, owner.resume}) ::CloseHandle(h);
}

TEST(RawWindow, WindowWithoutObjectGetsNothingFromTheSharedProcedure) {
    HWND plain = ::CreateWindowExW(0, L"STATIC", L"abc", WS_POPUP, 0, 0, 5, 5, nullptr, nullptr,
                                   nullptr, nullptr);
    EXPECT_EQ(SharedWindowProc(plain, WM_GETTEXTLENGTH, 0, 0), 0);
    ::DestroyWindow(plain);
}

TEST(MessageWindow, WindowThatLostItsObject) {
    FCMessageWindow window;
    window.Create(0, L"STATIC", WS_POPUP, kBox, nullptr, nullptr);
    ASSERT_TRUE(window.GetHwnd());
    ::SetWindowLongPtrW(window.GetHwnd(), GWLP_USERDATA, 0);
    const LRESULT set =
        ::SendMessageW(window.GetHwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"orphan"));
#ifdef VEKO_COMPACT
    EXPECT_EQ(set, TRUE) << "the compact library lets the platform's default procedure answer";
#else
    EXPECT_EQ(set, 0) << "the full library answers 0";
#endif
    ::SetWindowLongPtrW(window.GetHwnd(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&window));
}

}  // namespace
