// The real library's life in a stand-in browser under stress: released while the badge flashes
// and while the address edit's context menu is open, frames that come and go around the rescan,
// fifty frames (some on threads of their own) whose edits are kept busy while the rescan takes
// them on and the library is unloaded, and the process ending with all of it alive.
#include <windows.h>

#include <gtest/gtest.h>

#include "robustness/ServedBrowser.h"
#include "support/Screen.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"

namespace {

class LifecycleTest : public ::testing::Test {
  protected:
    ScopedTempDir m_temp;
    BrowserSettings m_settings;
};

// Polls that the browser answers, every quarter second for `ms`.
void ExpectAnswersThroughout(StandInBrowser& browser, DWORD ms) {
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < ms) {
        ASSERT_TRUE(Answers(browser)) << "after " << ::GetTickCount() - start << " ms";
        PumpFor(250);
    }
}

TEST_F(LifecycleTest, UnloadWhileTheBadgeFlashes) {
    ServedBrowser served(L"ie8", L"--url http://flash.example/");
    ASSERT_TRUE(served.Serve());
    ASSERT_EQ(PushVerdict(served.ResultWindow(), L"http://flash.example/", L"0x09"), 1);
    ASSERT_TRUE(WaitUntil([&] { return LookOf(served.Badge()) == 'W'; }, 3000)) << "flashing";
    ExpectStillServing(served);
    const char look = LookOf(served.Badge());
    EXPECT_TRUE(look == 'W' || look == 'R') << "still flashing: " << look;
    ExpectUnloadsCleanly(served);
}

// The address edit's own context menu runs a modal loop inside the edit's procedure, below the
// library's: a release that comes meanwhile cannot take the library away from under it.
TEST_F(LifecycleTest, ReleasedWhileTheAddressEditsMenuIsOpen) {
    ServedBrowser served;
    ASSERT_TRUE(served.Serve());
    StandInBrowser& browser = served.Browser();
    ASSERT_TRUE(
        ::PostMessageW(served.Edit(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(served.Edit()), -1));
    std::vector<HWND> menus;
    ASSERT_TRUE(WaitUntil(
        [&] {
            menus = WindowsOf(browser.ProcessId(), L"#32768");
            return !menus.empty() && ::IsWindowVisible(menus[0]);
        },
        3000));
    EXPECT_EQ(browser.Command(L"unload"), -1) << "still loaded";
    EXPECT_TRUE(Answers(browser));

    ::PostMessageW(served.Edit(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(menus[0]); }, 3000)) << "closed";
    ExpectStillServing(served);
    EXPECT_EQ(browser.Command(L"changed"), 1) << "the edit is still served";
}

// A procedure put on the address edit after the library's (as the browser's autocompletion or an
// add-on would) calls into the library for as long as the edit lives: the library stays, and
// the browser lives on after the release.
TEST_F(LifecycleTest, ReleasedWithAForeignSubclassAboveOurs) {
    ServedBrowser served;
    ASSERT_TRUE(served.Serve());
    StandInBrowser& browser = served.Browser();
    ASSERT_EQ(browser.Command(L"subclass " + HexText(served.Edit())), 1);
    DWORD_PTR length = 0;  // a message that passes both procedures
    EXPECT_TRUE(::SendMessageTimeoutW(served.Edit(), WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000,
                                      &length));
    EXPECT_EQ(browser.Command(L"unload"), -1) << "the library stays";
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(SetText(served.Edit(), L"http://after" + std::to_wstring(i) + L".example/"));
        ASSERT_TRUE(Answers(browser)) << "the browser lives on";
    }
    ExpectAnswersThroughout(browser, 1000);
}

// A thread of the browser builds frames and destroys each again within 15 ms, for longer than a
// rescan's period: frames die between being found and being attached, and after being attached.
TEST_F(LifecycleTest, FramesThatComeAndGoAroundTheRescan) {
    ServedBrowser served(L"ie8");
    ASSERT_TRUE(served.Serve());
    StandInBrowser& browser = served.Browser();
    ASSERT_EQ(browser.Command(L"churn 3000"), 1);
    ExpectAnswersThroughout(browser, 3500);
    EXPECT_GT(browser.Command(L"churned"), 30);
    ExpectStillServing(served);
    ExpectUnloadsCleanly(served);
}

// Fifty frames, sixteen of them each on a thread of its own; the edits of those get text
// questions and move, size and show notices on their own threads while the rescan takes the new
// frames on, and still while the library is unloaded. Edits are taken on while their threads
// handle those messages: not one of them may be lost in the changeover of procedures, and an
// edit handling a message while the release puts its procedure back must not take that for a
// subclass of someone else's (a pin then waited for the unloading thread, which waited for it).
TEST_F(LifecycleTest, FiftyFramesWhoseEditsAreBusyWhileTheyAreTakenOnAndLeft) {
    ServedBrowser served(L"ie8");
    ASSERT_TRUE(served.Serve());
    StandInBrowser& browser = served.Browser();
    ASSERT_EQ(browser.Command(L"frames 49 16"), 49);
    ASSERT_EQ(browser.Command(L"stir 40000"), 1);  // well beyond the unload
    EXPECT_TRUE(WaitUntil([&] { return browser.Command(L"changed") == 50; }, 8000))
        << "every address edit is served";
    EXPECT_TRUE(Answers(browser));
    // The new badges asked the first one for its cache all at the same moment: every one of
    // them has the verdict it had been given (a sample: each look costs a program start).
    const std::vector<HWND> results = ResultWindowsOf(browser.ProcessId());
    EXPECT_EQ(results.size(), 50u);
    // The first answerer serves forty-nine askers one after another, each read on a busy thread:
    // on a loaded machine the last of them has it some seconds later.
    for (size_t i = 0; i < results.size(); i += 7) {
        EXPECT_TRUE(
            WaitUntil([&] { return HeldVerdict(results[i], kKeptAddress) == kKeptVerdict; }, 15000))
            << "result window " << i;
    }
    ExpectStillServing(served);
    const LRESULT stirredBefore = browser.Command(L"stirred");
    ExpectUnloadsCleanly(served);
    EXPECT_GT(browser.Command(L"stirred"), stirredBefore) << "the edits were busy all along";
    EXPECT_EQ(browser.Command(L"stirlost"), 0) << "a message to an edit went nowhere";
}

// ExitProcess with frames on several threads, their edits busy and the badge flashing: the
// process ends at once, with the exit code it was given.
TEST_F(LifecycleTest, ProcessEndsWithEverythingAlive) {
    ServedBrowser served(L"ie8", L"--url http://exit.example/");
    ASSERT_TRUE(served.Serve());
    StandInBrowser& browser = served.Browser();
    ASSERT_EQ(PushVerdict(served.ResultWindow(), L"http://exit.example/", L"0x09"), 1);
    EXPECT_TRUE(WaitUntil([&] { return LookOf(served.Badge()) == 'W'; }, 3000)) << "flashing";
    ASSERT_EQ(browser.Command(L"frames 6 3"), 6);
    ASSERT_EQ(browser.Command(L"stir 5000"), 1);
    EXPECT_TRUE(WaitUntil([&] { return browser.Command(L"changed") == 7; }, 5000));
    ExpectStillServing(served);

    browser.Command(L"exit 7");
    DWORD code = 0;
    ASSERT_TRUE(browser.WaitForExit(5000, &code));
    EXPECT_EQ(code, 7u);
}

}  // namespace
