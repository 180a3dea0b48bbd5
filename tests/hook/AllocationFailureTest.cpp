// A heap that refuses an allocation inside the browser: in the library's window, timer,
// enumeration and hook procedures and its exports, each allocation of a step is failed in turn.
// std::bad_alloc must end in the library's own guards; the thread goes on, and once memory is
// back the library works again.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "browser/BrowserLayouts.h"
#include "channel/ResultMessages.h"
#include "channel/UrlScanResult.h"
#include "hook/HookTable.h"
#include "support/AllocationFaults.h"
#include "support/Library.h"
#include "support/Registry.h"
#include "support/WindowQueries.h"
#include "image/ObjImage.h"
#include "tipui/WndAddressTip.h"
#ifndef VEKO_COMPACT
#include "toolkit/LayeredWindow.h"
#endif
#include "toolkit/TimerNotify.h"
#include "veko.h"

namespace {

const wchar_t kAddress[] = L"http://heap.example/";

// A verdict as the main program sends it; built before any allocation is made to fail, so that
// sending it allocates only inside the library.
struct CopyData {
    CopyData(const wchar_t* address, UrlVerdict verdict)
        : record(MakeResultRecord(ComputeUrlDigest(address), verdict)),
          data{veko::kCopyDataMagic, sizeof(record), &record} {}
    LRESULT SendTo(HWND window) {
        return ::SendMessageW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data));
    }
    ResultRecord record;
    COPYDATASTRUCT data;
};

BuiltFrame Frame() {
    RegisterLayoutClasses();
    FrameOptions options;
    options.kind = L"ie8";
    options.url = kAddress;
    BuiltFrame frame = BuildFrame(options, POINT{30, 30});
    ::ShowWindow(frame.frame, SW_SHOWNA);
    return frame;
}

class AllocationFailure : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(RedirectAllocators(::GetModuleHandleW(nullptr))); }
};

TEST_F(AllocationFailure, ResultWindowMessages) {
    CUrlScanResult result;
    HWND window = result.GetHwnd();
    ASSERT_TRUE(window);
    CopyData verdict(kAddress, 0x11);
    struct Case {
        const char* name;
        std::function<void()> send;
    } cases[] = {
        {"WM_COPYDATA", [&] { verdict.SendTo(window); }},
        {"need your result",
         [&] { ::SendMessageW(window, NeedYourResultMessage(), WPARAM(window), 0); }},
        {"this my scan result",
         [&] { ::SendMessageW(window, ThisMyScanResultMessage(), WPARAM(window), 0); }},
        {"new URL result", [&] { ::SendMessageW(window, NewUrlResultMessage(), 7, 8); }},
    };
    for (const Case& c : cases) {
        EXPECT_GT(FailEachAllocation(c.send), 0) << c.name << " allocated nothing";
        PumpFor(20);
    }
    EXPECT_EQ(CopyData(L"http://after.example/", 0x22).SendTo(window), 1);
    UrlVerdict found = 0;
    EXPECT_TRUE(result.LookupVerdict(L"http://after.example/", &found));
    EXPECT_EQ(found, 0x22u);
}

TEST_F(AllocationFailure, AddressTipTimer) {
    const BuiltFrame frame = Frame();
    ASSERT_TRUE(frame.addressEdit);

    auto tip = std::make_unique<CWndAddressTip>(::GetParent(frame.addressEdit), frame.addressEdit,
                                                BrowserIE8);
    // One real tick of the address tip's timer, dispatched again as often as needed.
    MSG tick = {};
    const DWORD start = ::GetTickCount();
    bool caught = false;
    while (!caught && ::GetTickCount() - start < 3000) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_TIMER);
        while (!caught && ::PeekMessageW(&tick, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE))
            caught = tick.wParam == tip->GetTimerId();
    }
    ASSERT_TRUE(caught);
    CWndTipBtn& badge = tip->GetTipButton();
    CopyData(kAddress, veko::MakeVerdict(veko::kClassTrojan, 1))
        .SendTo(badge.GetScanResult().GetHwnd());
    EXPECT_GT(FailEachAllocation([&] { ::DispatchMessageW(&tick); }), 0);
    ::DispatchMessageW(&tick);
    EXPECT_EQ(badge.GetState(), TipStateAlarm);
    tip.reset();
    ::DestroyWindow(frame.frame);
}

TEST_F(AllocationFailure, TableAndTimerObjectsConstructWithoutThrowing) {
    struct Ticker : FCTimerNotify {
        void OnTimer() override {}
    };
    EXPECT_GT(FailEachAllocation([] {
                  EXPECT_NO_THROW({
                      FCGlobalShareMemory table(veko::kHookTableFileName, veko::kHookTableBytes);
                      Ticker ticker;
                      ticker.StartTimer(1000);
                  });
              }),
              0);
    FCGlobalShareMemory table(veko::kHookTableFileName, veko::kHookTableBytes);
    EXPECT_NE(table.GetData(), nullptr);
}

// An image without memory for its row table or palette is no image at all: never pixels that
// nothing reaches, which the next redraw would write through.
TEST_F(AllocationFailure, ImagesWithoutMemoryForTheirRows) {
    for (int bits : {8, 24, 32}) {
        SCOPED_TRACE(bits);
        EXPECT_GT(FailEachAllocation([&] {
                      FCObjImage image;
                      bool made = false;
                      EXPECT_NO_THROW(made = image.Allocate(40, 30, bits));
                      EXPECT_EQ(made, image.HasPixels());
                      if (!made) return;
                      for (int y = 0; y < 30; ++y) ASSERT_NE(image.GetRow(y), nullptr);
                      image.GetPixel(39, 29)[0] = 1;
                  }),
                  0);
    }
}

#ifndef VEKO_COMPACT
// One element, whose click notes its id (and allocates to do so).
class PressWindow : public FCLayeredWindow {
  public:
    PressWindow() {
        FCObjImage background;
        background.Allocate(60, 40, 32);
        SetBackground(background);
        FCObjImage strip;
        strip.Allocate(60, 20, 32);
        AddObject(new FCLayered3ImageButton(strip), RECT{10, 10, 30, 30}, 5);
        Create(200, 200, nullptr, TRUE, WS_EX_TOOLWINDOW);
    }
    std::vector<int> clicks;

  protected:
    void OnObjectClick(int id, FCLayeredObject*) override { clicks.push_back(id); }
};

// A press ends whatever fails inside it: the window is no longer tracking one (so it can close),
// holds no capture, and takes the next press with its click.
TEST_F(AllocationFailure, PressOnALayeredElement) {
    PressWindow window;
    ASSERT_TRUE(window.GetHwnd());
    const auto press = [&] {
        const LPARAM at = MAKELPARAM(20, 20);
        ::PostMessageW(window.GetHwnd(), WM_LBUTTONUP, 0, at);
        ::SendMessageW(window.GetHwnd(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    };
    EXPECT_GT(FailEachAllocation([&] {
                  press();
                  EXPECT_FALSE(window.IsTrackingPress());
                  EXPECT_NE(::GetCapture(), window.GetHwnd());
              }),
              0);
    PumpFor(50);
    window.clicks.clear();
    press();
    EXPECT_EQ(window.clicks, std::vector<int>({5}));
}
#endif

// The library itself, loaded afresh for each run and its own allocator imports redirected: its
// exports, and its hook procedure starting the manager on this thread's own frame.
TEST_F(AllocationFailure, ExportsAndHookProcedureOfTheLibrary) {
    BrowserSettings settings;
    int served = 0;
    int runs = 0;
    for (long nth = 1; nth <= 400; ++nth, ++runs) {
        const BuiltFrame frame = Frame();
        const LONG_PTR original = ::GetWindowLongPtrW(frame.addressEdit, GWLP_WNDPROC);
        bool refused = false;
        {
            LoadedLibrary library;
            ASSERT_TRUE(library.Module());
            ASSERT_TRUE(RedirectAllocators(library.Module()));
            const auto install =
                veko::GetExport<VekoInstallHookFn>(library.Module(), "InstallHook");
            ASSERT_TRUE(install);
            HHOOK hook = nullptr;
            {
                FailingAllocations fail(nth);
                hook = install(frame.frame);
                // The hook procedure runs as this thread retrieves a message.
                ::PostMessageW(frame.frame, WM_NULL, 0, 0);
                MSG msg;
                while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
                refused = fail.Refused();
            }
            EXPECT_NE(hook, nullptr) << "allocation " << nth;
            if (::GetWindowLongPtrW(frame.addressEdit, GWLP_WNDPROC) != original) ++served;
            library.Uninstall();
            ::UnhookWindowsHookEx(hook);
        }
        EXPECT_EQ(::GetWindowLongPtrW(frame.addressEdit, GWLP_WNDPROC), original)
            << "allocation " << nth;
        ::DestroyWindow(frame.frame);
        if (!refused) break;
    }
    EXPECT_GT(runs, 1);
    EXPECT_GT(served, 0);  // the last run, with nothing refused, serves the edit
}

}  // namespace
