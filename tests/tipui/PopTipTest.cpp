// The pop-up tip, opened and used with the real pointer.
#include <string>
#include <vector>

#include "support/Badge.h"
#include "support/ChildProcess.h"
#include "support/StandIns.h"
#include "tipui/TipFixture.h"
#include "tipui/TipSettings.h"
#include "tipui/WndPopTip.h"

namespace {

class PopTipTest : public TipTest {
  public:
    CWndPopTip* Pop() { return Badge().GetPopTip(); }

  protected:
    RECT PopRect() {
        RECT rc = {};
        if (Pop()) ::GetWindowRect(Pop()->GetHwnd(), &rc);
        return rc;
    }
    // A point of the pop-up, from its own coordinates.
    POINT InPop(int x, int y) {
        const RECT rc = PopRect();
        return POINT{rc.left + x, rc.top + y};
    }
    void OpenByClick() {
        MovePointerTo(BadgeCentre());
        InputScript click;
        click.Then(PressLeftButton, 50).Then(ReleaseLeftButton, 50);
        click.Start();
        ASSERT_TRUE(WaitUntil([&] { return Pop() != nullptr && click.Done(); }, 2000));
    }
    // A click on the element at (x, y) of the pop-up, while this thread pumps.
    void ClickInPop(int x, int y) {
        const POINT target = InPop(x, y);
        InputScript click;
        click.Then([=] { MovePointerTo(target); }).Then(PressLeftButton).Then(ReleaseLeftButton);
        click.Start();
        EXPECT_TRUE(WaitUntil([&] { return click.Done(); }, 5000));
        PumpFor(100);
    }
    std::vector<std::string> Starts() {
        return MainProgramStarts(BinaryDirectory() + L"koxQNMain.exe");
    }
};

TEST_F(PopTipTest, RestingOnTheBadgeOpensThePopUpOnceBelowIt) {
    MovePointerTo(BadgeCentre());
    PumpFor(500);
    EXPECT_EQ(Pop(), nullptr) << "not before 700 ms";
    ASSERT_TRUE(WaitUntil([&] { return Pop() != nullptr; }, 1500));
    const RECT badge = BadgeRect();
    const RECT pop = PopRect();
    EXPECT_EQ(pop.left, badge.left - 232);
    EXPECT_EQ(pop.top, badge.bottom);
    EXPECT_EQ(pop.right - pop.left, 340);
    EXPECT_EQ(pop.bottom - pop.top, 216);
    EXPECT_TRUE(::IsWindowVisible(Pop()->GetHwnd()));
    CWndPopTip* const first = Pop();
    PumpFor(1000);
    EXPECT_EQ(Pop(), first) << "opened once";
}

TEST_F(PopTipTest, LeavingEarlyOpensNothing) {
    MovePointerTo(BadgeCentre());
    PumpFor(350);
    MovePointerTo(kAway);
    PumpFor(1200);
    EXPECT_EQ(Pop(), nullptr);
}

TEST_F(PopTipTest, ClickOpensAtOnceAndLeavingClosesIt) {
    const DWORD start = ::GetTickCount();
    OpenByClick();
    EXPECT_LT(::GetTickCount() - start, 600u);
    // Through the strip left of the badge and into the panel: it stays.
    const RECT badge = BadgeRect();
    MovePointerTo(POINT{badge.left - 12, (badge.top + badge.bottom) / 2});
    PumpFor(700);
    EXPECT_NE(Pop(), nullptr) << "the 20-pixel strip keeps it open";
    MovePointerTo(InPop(150, 120));
    PumpFor(700);
    EXPECT_NE(Pop(), nullptr);
    MovePointerTo(kAway);
    EXPECT_TRUE(WaitUntil([&] { return Pop() == nullptr; }, 1000));
}

TEST_F(PopTipTest, ShowsTheBadgesBackgroundAndMessageLine) {
    Deliver(L"http://bad.example/", veko::MakeVerdict(1, 1));
    Show(L"http://bad.example/");
    OpenByClick();
    EXPECT_EQ(Pop()->GetAddress(), L"http://bad.example/");
    const RECT pop = PopRect();
    // The red-orange band of background 311 under the message line.
    EXPECT_EQ(BadgeLook(RECT{pop.left + 20, pop.top + 70, pop.left + 60, pop.top + 110}), 'R');
}

TEST_F(PopTipTest, ToolLinksStartTheMainProgramFromTheLibrarysDirectory) {
    OpenByClick();
    ClickInPop(212 + 30, 137 + 7);  // browser repair
    ClickInPop(66 + 24, 137 + 7);   // homepage repair
    ClickInPop(13 + 24, 195 + 6);   // open the main program
    EXPECT_TRUE(WaitUntil([&] { return Starts().size() == 3; }, 5000));
    EXPECT_EQ(Starts(), std::vector<std::string>({"s:0", "s:2", ""}));
}

TEST_F(PopTipTest, HidingTheBadgeAsksFirst) {
    OpenByClick();
    ClickInPop(170 + 78, 195 + 6);
    HWND box = WaitForConfirmation();
    ASSERT_TRUE(box);
    ::SendMessageW(::GetDlgItem(box, IDNO), BM_CLICK, 0, 0);
    PumpFor(500);
    EXPECT_TRUE(Starts().empty());
    EXPECT_TRUE(::IsWindowVisible(tip->GetHwnd()));

    ClickInPop(170 + 78, 195 + 6);
    box = WaitForConfirmation();
    ASSERT_TRUE(box);
    ::SendMessageW(::GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(tip->GetHwnd()); }, 3000));
    EXPECT_TRUE(WaitUntil([&] { return Starts().size() == 1; }, 5000));
    EXPECT_EQ(Starts(), std::vector<std::string>({"r:0"}));
}

TEST(ReportLink, PercentEncodesTheAddress) {
    EXPECT_EQ(ReportLink(L"http://a.example/p?q=1&r=%41 b"),
              std::wstring(L"http://") + kReportHost +
                  L"/report/index.php?title=%20&url=http://a.example/p%3fq%3d1%26r%3d%41%20b");
    EXPECT_EQ(ReportLink(L""),
              std::wstring(L"http://") + kReportHost + L"/report/index.php?title=%20&url=");
}

// The shell hands http addresses to the stand-in main program, which logs them.
class UrlHandler {
  public:
    UrlHandler()
        : m_command(ScopedRegistryValue::String(
              L"Software\\Classes\\http\\shell\\open\\command", L"",
              L"\"" + BinaryDirectory() + L"koxQNMain.exe\" url \"%1\"")) {}

  private:
    ScopedRegistryValue m_command;
};

TEST_F(PopTipTest, ReportLinkOpensTheReportPageForTheAddress) {
    UrlHandler handler;
    Show(L"http://bad.example/a?b=c&d");
    OpenByClick();
    ClickInPop(66 + 36, 165 + 7);
    EXPECT_TRUE(WaitUntil([&] { return !Starts().empty(); }, 8000));
    const std::string expected = std::string("url http://") +
                                 std::string(kReportHost, kReportHost + wcslen(kReportHost)) +
                                 "/report/index.php?title=%20&url=http://bad.example/a%3fb%3dc%26d";
    EXPECT_EQ(Starts(), std::vector<std::string>({expected}));
}

PopTipTest* g_watched = nullptr;
bool g_sawPressed = false;

void CALLBACK WatchPress(HWND, UINT, UINT_PTR, DWORD) {
    if (g_watched->Pop() && g_watched->Pop()->IsTrackingPress()) g_sawPressed = true;
}

// Dragging off an element and away from the pop-up: the auto-close comes during the press and
// is carried out once the press is over.
TEST_F(PopTipTest, CloseDuringAPressWaitsForItsEnd) {
    OpenByClick();
    const POINT close = InPop(309 + 9, 28 + 10);
    // The press runs a loop of its own inside this thread's pump: look from a timer there.
    g_watched = this;
    g_sawPressed = false;
    const UINT_PTR watch = ::SetTimer(nullptr, 0, 30, WatchPress);
    InputScript drag;
    drag.Then([=] { MovePointerTo(close); })
        .Then(PressLeftButton)
        .Then([] { MovePointerTo(kAway); }, 900)  // several auto-close ticks
        .Then(ReleaseLeftButton);
    drag.Start();
    WaitUntil([&] { return drag.Done(); }, 8000);
    ::KillTimer(nullptr, watch);
    EXPECT_TRUE(g_sawPressed);
    EXPECT_TRUE(WaitUntil([&] { return Pop() == nullptr; }, 1000));
}

}  // namespace
