// The badge: verdicts, switches, flashing and repaints, as the screen shows them.
#include <algorithm>
#include <string>
#include <vector>

#include "tipui/TipFixture.h"
#include "tipui/TipSettings.h"

namespace {

using veko::MakeVerdict;

TEST(CenterFitRect, CentresAndShrinksToFit) {
    const struct {
        int width, height;
        RECT rc, expected;
    } cases[] = {
        {30, 14, {0, 0, 30, 14}, {0, 0, 30, 14}},
        {30, 14, {0, 0, 40, 20}, {5, 3, 35, 17}},
        {30, 14, {10, 10, 41, 25}, {10, 10, 40, 24}},
        {30, 14, {0, 0, 15, 14}, {0, 3, 15, 10}},  // half as wide: both halved
        {30, 14, {0, 0, 60, 7}, {22, 0, 37, 7}},
        {30, 14, {0, 0, 1, 1}, {0, 0, 1, 1}},  // never below 1
        {0, 14, {0, 0, 30, 14}, {0, 0, 0, 0}},
        {30, 14, {5, 5, 5, 20}, {0, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        const RECT got = CWndTipBtn::CenterFitRect(c.width, c.height, c.rc);
        EXPECT_TRUE(::EqualRect(&got, &c.expected))
            << c.rc.left << "," << c.rc.top << "," << c.rc.right << "," << c.rc.bottom << " -> "
            << got.left << "," << got.top << "," << got.right << "," << got.bottom;
    }
}

TEST_F(TipTest, LaidOverTheEditsRightEndShowingSafe) {
    const RECT badge = BadgeRect();
    RECT editRect;
    ::GetWindowRect(edit, &editRect);
    EXPECT_EQ(badge.right, editRect.right);
    EXPECT_EQ(badge.right - badge.left, 30);
    EXPECT_EQ(badge.bottom - badge.top, 14);
    EXPECT_EQ(badge.top, 200 + (40 - 14) / 2);
    Show(L"http://www.example.com/");
    EXPECT_EQ(Look(), 'G');
}

// Every kind of verdict: the badge's state and (full library) the pop-up's pictures.
TEST_F(TipTest, VerdictsChooseStateAndPictures) {
    const struct {
        const wchar_t* address;
        bool deliver;
        UrlVerdict verdict;
        int state, background, text;
    } cases[] = {
        {L"http://unknown.example/", false, 0, TipStateNone, 310, 0},
        {L"http://zero.example/", true, 0, TipStateNone, 310, 0},
        {L"http://trojan.example/", true, MakeVerdict(1, 1), TipStateAlarm, 311, 321},
        {L"http://phish2.example/", true, MakeVerdict(2, 0), TipStateAlarm, 311, 320},
        {L"http://phish3.example/", true, MakeVerdict(3, 1), TipStateAlarm, 311, 320},
        {L"http://known.example/", true, MakeVerdict(3, 2), TipStateNone, 310, 0},
        {L"http://attack4.example/", true, MakeVerdict(4, 7), TipStateAlarm, 311, 322},
        {L"http://attack5.example/", true, MakeVerdict(5, 3) | 0x80FFFF00u, TipStateAlarm, 311,
         322},
        {L"http://class6.example/", true, MakeVerdict(6, 1), TipStateNone, 310, 0},
        {L"http://blocked.example/", true, VEKO_VERDICT_USER_BLOCKED | MakeVerdict(3, 2),
         TipStateAlarm, 311, 326},
        {L"http://blocked2.example/", true, VEKO_VERDICT_USER_BLOCKED, TipStateAlarm, 311, 326},
    };
    for (const auto& c : cases) {
        if (c.deliver) Deliver(c.address, c.verdict);
        Show(c.address);
        EXPECT_EQ(Badge().GetState(), c.state) << c.address;
#ifndef VEKO_COMPACT
        EXPECT_EQ(Badge().GetPopBackgroundId(), c.background) << c.address;
        EXPECT_EQ(Badge().GetPopTextId(), c.text) << c.address;
#endif
    }
}

TEST_F(TipTest, SwitchedOffMonitorsShowAmberWhateverTheVerdict) {
    Deliver(L"http://bad.example/", MakeVerdict(1, 1));
    Show(L"http://bad.example/");
    ASSERT_EQ(Badge().GetState(), TipStateAlarm);
    {
        auto off = ScopedRegistryValue::Dword(veko::kSwitchesKey, veko::kMalwareMonitorValue, 0);
        Show(L"http://www.example.com/");
        EXPECT_EQ(Badge().GetState(), TipStateAlarm) << "the state is frozen";
        EXPECT_TRUE(WaitUntil([&] { return Look() == 'A'; }, 3000));
#ifndef VEKO_COMPACT
        EXPECT_EQ(Badge().GetPopBackgroundId(), 312);
        EXPECT_EQ(Badge().GetPopTextId(), 327);
#endif
    }
    {
        auto off = ScopedRegistryValue::Dword(veko::kSwitchesKey, veko::kSpoofingMonitorValue, 0);
        Show(L"http://www.example.com/");
        EXPECT_TRUE(WaitUntil([&] { return Look() == 'A'; }, 3000));
#ifndef VEKO_COMPACT
        EXPECT_EQ(Badge().GetPopTextId(), 328);
#endif
    }
    // Both on again: the badge shows the address's own state at once.
    Show(L"http://www.example.com/");
    EXPECT_EQ(Badge().GetState(), TipStateNone);
    EXPECT_TRUE(WaitUntil([&] { return Look() == 'G'; }, 3000));
}

// Counts the badge's paints: each one is a WM_DRAWITEM to the address tip's window.
class DrawCounter {
  public:
    explicit DrawCounter(HWND parent) {
        s_parent = parent;
        s_count = 0;
        m_hook = ::SetWindowsHookExW(WH_CALLWNDPROC, Proc, nullptr, ::GetCurrentThreadId());
    }
    ~DrawCounter() { ::UnhookWindowsHookEx(m_hook); }
    int Count() const {
        PumpFor(60);
        return s_count;
    }

  private:
    static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
        const auto* msg = reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (code == HC_ACTION && msg->hwnd == s_parent && msg->message == WM_DRAWITEM) ++s_count;
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK m_hook;
    static HWND s_parent;
    static int s_count;
};
HWND DrawCounter::s_parent = nullptr;
int DrawCounter::s_count = 0;

TEST_F(TipTest, RepaintsOnlyWhenWhatItShowsChanges) {
    Show(L"http://a.example/");
    PumpFor(100);
    DrawCounter draws(tip->GetHwnd());
    for (int i = 0; i < 3; ++i) Show(L"http://a.example/");
    EXPECT_EQ(draws.Count(), 0) << "same address, same verdict";
    Show(L"http://b.example/");
    EXPECT_EQ(draws.Count(), 1) << "another address with the same (missing) verdict";
    Deliver(L"http://b.example/", MakeVerdict(3, 2));
    Show(L"http://b.example/");
    EXPECT_EQ(draws.Count(), 2) << "a verdict arrived, though it shows the same";
    Show(L"http://b.example/");
    EXPECT_EQ(draws.Count(), 2);
}

// An alarming address flashes once: ten ticks of 500 ms, blank and red in turn, then red.
TEST_F(TipTest, DangerousAddressFlashesOnceThenStaysRed) {
    Show(L"http://www.example.com/");
    Deliver(L"http://bad.example/", MakeVerdict(2, 1));
    ::SetWindowTextW(edit, L"http://bad.example/ trailing words");  // the real 800 ms watch
    ASSERT_TRUE(WaitUntil([&] { return Badge().IsFlashing(); }, 1500));
    EXPECT_EQ(::GetFocus(), edit) << "the focus goes back to the address bar";
    std::string looks;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 6500) {
        const char look = Look();
        if (looks.empty() || looks.back() != look) looks += look;
    }
    EXPECT_FALSE(Badge().IsFlashing());
    EXPECT_EQ(looks, "WRWRWRWRWR") << "five dark and five red phases, then red for good";

    ::SetWindowTextW(edit, L"http://www.example.com/");
    EXPECT_TRUE(WaitUntil([&] { return Look() == 'G'; }, 2000));
    ::SetWindowTextW(edit, L"http://bad.example/");
    EXPECT_TRUE(WaitUntil([&] { return Look() == 'R'; }, 2000));
    EXPECT_FALSE(Badge().IsFlashing()) << "no second flash for the same address";
}

// The safety-information page's address in the bar is replaced by the address it is about.
TEST_F(TipTest, SafetyPageAddressIsRepairedInTheBar) {
    Deliver(L"http://bad.example/x?q=1", MakeVerdict(1, 1));
    const std::wstring page =
        std::wstring(L"http://") + kSafetyInfoHost +
        L"/cl/koxtarvel.html?t=2&url=http%3A%2F%2Fbad.example%2Fx%3Fq%3D1&s=9";
    Show(page.c_str());
    wchar_t text[256] = {};
    ::GetWindowTextW(edit, text, 256);
    EXPECT_STREQ(text, L"http://bad.example/x?q=1");
    EXPECT_EQ(Badge().GetState(), TipStateAlarm);

    // Without the parameter the bar keeps the page's address, cut at its first space.
    const std::wstring bare =
        std::wstring(L"http://") + kSafetyInfoHost + L"/cl/koxtarvel.html?t=2";
    Show((bare + L" more").c_str());
    ::GetWindowTextW(edit, text, 256);
    EXPECT_EQ(std::wstring(text), bare);
    // A prefix in other letters is an ordinary address.
    std::wstring upper = page;
    std::transform(upper.begin(), upper.begin() + 20, upper.begin(), ::towupper);
    Show(upper.c_str());
    ::GetWindowTextW(edit, text, 256);
    EXPECT_EQ(std::wstring(text), upper);
}

}  // namespace
