// The pop-up tip of the full library in a stand-in browser when the library or the process goes:
// released while the pop-up is open, while a press on one of its elements is being tracked, and
// the process ending in the middle of such a press.
#include <windows.h>

#include <gtest/gtest.h>

#include "robustness/ServedBrowser.h"
#include "support/Input.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"

namespace {

class PopTipLifecycleTest : public ::testing::Test {
  protected:
    void TearDown() override {
        ReleaseLeftButton();
        MovePointerTo(kAway);
    }

    // Rests the pointer on the badge until the pop-up is open; the pop-up's window.
    HWND OpenPopTip(ServedBrowser& served) {
        RECT badge = {};
        ::GetWindowRect(served.Badge(), &badge);
        MovePointerTo(POINT{(badge.left + badge.right) / 2, (badge.top + badge.bottom) / 2});
        HWND pop = nullptr;
        WaitUntil(
            [&] {
                const auto pops = WindowsOf(served.Browser().ProcessId(), L"uis_layered_wnd_class");
                pop = pops.empty() ? nullptr : pops[0];
                return pop && ::IsWindowVisible(pop);
            },
            2500);
        return pop;
    }

    // Moves onto the pop-up's close element and holds the left button down on it until the
    // pop-up has the capture: its press loop is running. A pop-up that has only just appeared
    // may not take the first press yet: then the press is made again.
    static bool PressOnClose(HWND pop) {
        RECT rc = {};
        ::GetWindowRect(pop, &rc);
        const DWORD thread = ::GetWindowThreadProcessId(pop, nullptr);
        for (int attempt = 0; attempt < 3; ++attempt) {
            // Windows keeps an owned pop-up above its owner; Wine lets a frame that becomes
            // active after the pop-up appeared rise above it, where the press would miss it.
            ::SetWindowPos(pop, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            MovePointerTo(POINT{rc.left + 309 + 9, rc.top + 28 + 10});
            PumpFor(150);
            PressLeftButton();
            const bool tracked = WaitUntil(
                [&] {
                    GUITHREADINFO info = {};
                    info.cbSize = sizeof(info);
                    return ::GetGUIThreadInfo(thread, &info) && info.hwndCapture == pop;
                },
                1000);
            if (tracked) return true;
            ReleaseLeftButton();
            PumpFor(150);
        }
        return false;
    }

    static constexpr POINT kAway = {5, 5};
    ScopedTempDir m_temp;
    BrowserSettings m_settings;
};

TEST_F(PopTipLifecycleTest, UnloadWhileThePopUpIsOpen) {
    MovePointerTo(kAway);
    ServedBrowser served;
    ASSERT_TRUE(served.Serve());
    ASSERT_TRUE(OpenPopTip(served));
    ExpectStillServing(served);
    ExpectUnloadsCleanly(served);
}

// A release that comes while the library's own press loop runs cannot take the library out from
// under that loop: the library stays loaded for the rest of the process and keeps working.
TEST_F(PopTipLifecycleTest, ReleasedDuringAPressTheLibraryStays) {
    MovePointerTo(kAway);
    ServedBrowser served;
    ASSERT_TRUE(served.Serve());
    const HWND pop = OpenPopTip(served);
    ASSERT_TRUE(pop);
    ASSERT_TRUE(PressOnClose(pop)) << "the press is being tracked";
    StandInBrowser& browser = served.Browser();
    EXPECT_EQ(browser.Command(L"unload"), -1) << "still loaded";
    EXPECT_TRUE(Answers(browser));

    ReleaseLeftButton();
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(pop); }, 2000)) << "the click closed it";
    MovePointerTo(kAway);
    ExpectStillServing(served);
    EXPECT_EQ(browser.Command(L"changed"), 1) << "the edit is still served";
    EXPECT_EQ(browser.Command(L"loaded"), 1);
}

TEST_F(PopTipLifecycleTest, ProcessEndsDuringAPress) {
    MovePointerTo(kAway);
    ServedBrowser served;
    ASSERT_TRUE(served.Serve());
    const HWND pop = OpenPopTip(served);
    ASSERT_TRUE(pop);
    ASSERT_TRUE(PressOnClose(pop)) << "the press is being tracked";
    ExpectStillServing(served);

    served.Browser().Command(L"exit 7");
    DWORD code = 0;
    ASSERT_TRUE(served.Browser().WaitForExit(5000, &code));
    EXPECT_EQ(code, 7u);
}

}  // namespace
