// Layered windows composed of elements, driven by the real pointer. The composed frame is read
// back through OnComposed.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "support/Input.h"
#include "support/WindowQueries.h"
#include "toolkit/LayeredWindow.h"

namespace {

constexpr uint32_t kRed = MakePixel(255, 0, 0, 255), kGreen = MakePixel(0, 255, 0, 255),
                   kBlue = MakePixel(0, 0, 255, 255), kYellow = MakePixel(255, 255, 0, 255),
                   kCyan = MakePixel(0, 255, 255, 255), kMagenta = MakePixel(255, 0, 255, 255),
                   kWhite = MakePixel(255, 255, 255, 255), kGrey = MakePixel(90, 90, 90, 200);

FCObjImage Strip(int frameWidth, int height, int bits, std::vector<uint32_t> colors) {
    FCObjImage image;
    image.Allocate(frameWidth * int(colors.size()), height, bits);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < image.GetWidth(); ++x)
            std::memcpy(image.GetPixel(x, y), &colors[x / frameWidth], bits / 8);
    }
    return image;
}

// 120 x 60, alpha 200, with a fully transparent 10 x 10 corner.
FCObjImage Background() {
    FCObjImage image = Strip(120, 60, 32, {kGrey});
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) image.GetPixel(x, y)[3] = 0;
    }
    return image;
}

constexpr RECT kRectA = {10, 10, 40, 40}, kRectB = {30, 10, 60, 40}, kRectC = {70, 10, 100, 40};
constexpr POINT kInA = {20, 25}, kOverlap = {35, 25}, kInB = {50, 25}, kInC = {85, 25},
                kBackgroundOnly = {50, 50};

class TestWindow : public FCLayeredWindow {
  public:
    TestWindow() {
        SetBackground(Background());
        a = new FCLayered3ImageButton(Strip(30, 30, 32, {kRed, kGreen, kBlue}));
        a->SetHoverCursor(::LoadCursorW(nullptr, IDC_HAND));
        a->SetTipText(L"first");
        AddObject(a, kRectA, 7);
        b = new FCLayeredImage(Strip(30, 30, 32, {kYellow}));
        AddObject(b, kRectB, 8);
        c = new FCLayered3ImageButton(Strip(30, 30, 24, {kCyan, kMagenta, kWhite}));
        c->SetTipText(L"third");
        AddObject(c, kRectC, 9);
        AddObject(a, kRectA, 7);  // already there: not added twice
        Create(300, 300, nullptr, TRUE, WS_EX_TOOLWINDOW);
    }

    // The colour (without alpha) and the alpha of a composed pixel.
    uint32_t Color(POINT pt) const {
        uint32_t value;
        std::memcpy(&value, last.GetPixel(pt.x, pt.y), 4);
        return value | 0xFF000000u;
    }
    int Alpha(POINT pt) const { return last.GetPixel(pt.x, pt.y)[3]; }
    POINT Screen(POINT client) const {
        ::ClientToScreen(GetHwnd(), &client);
        return client;
    }

    FCLayeredObject *a, *b, *c;
    FCObjImage last;
    std::vector<uint32_t> framesOfA;  // what A showed, one entry per change
    std::vector<int> clicks;

  protected:
    void OnComposed(FCObjImage& img) override {
        FCLayeredWindow::OnComposed(img);
        last.CopyFrom(img);
        const uint32_t shown = Color(kInA);
        if (framesOfA.empty() || framesOfA.back() != shown) framesOfA.push_back(shown);
    }
    void OnObjectClick(int id, FCLayeredObject*) override { clicks.push_back(id); }
};

class LayeredWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ShortenHoverTime();
        MovePointerTo(kAway);
        PumpFor(50);
        window = std::make_unique<TestWindow>();
        ASSERT_TRUE(window->GetHwnd());
        PumpFor(100);
    }
    void TearDown() override { MovePointerTo(kAway); }

    // Runs the script while this thread pumps, and a little longer.
    void Play(InputScript& script) {
        script.Start();
        EXPECT_TRUE(WaitUntil([&] { return script.Done(); }, 20000));
        PumpFor(150);
    }

    static constexpr POINT kAway = {5, 5};
    std::unique_ptr<TestWindow> window;
};

TEST_F(LayeredWindowTest, FirstAddedWinsTheHitLastAddedIsOnTopShapeIsTheBackgrounds) {
    EXPECT_EQ(window->HitTest(kOverlap.x, kOverlap.y), window->a);
    EXPECT_EQ(window->HitTest(kInB.x, kInB.y), window->b);
    EXPECT_EQ(window->HitTest(kBackgroundOnly.x, kBackgroundOnly.y), nullptr);
    EXPECT_EQ(window->Color(kOverlap), kYellow);
    EXPECT_EQ(window->Color(kInA), kRed);
    EXPECT_EQ(window->Color(kInC), kCyan) << "a 24-bit element is blitted";
    EXPECT_EQ(window->Alpha(kInA), 200) << "the alpha is the background's";
    EXPECT_EQ(window->Alpha(kInC), 200);
    EXPECT_EQ(window->Alpha(POINT{3, 3}), 0);
    RECT rc;
    ::GetWindowRect(window->GetHwnd(), &rc);
    EXPECT_EQ(rc.right - rc.left, 120);
    EXPECT_EQ(rc.bottom - rc.top, 60);
    EXPECT_TRUE(::GetWindowLongW(window->GetHwnd(), GWL_EXSTYLE) & WS_EX_LAYERED);
}

TEST_F(LayeredWindowTest, PressShowsHoverWhileOffAndClicksOnceOnReleaseOverIt) {
    InputScript script;
    script.Then([&] { MovePointerTo(window->Screen(kInA)); })
        .Then(PressLeftButton)
        .Then([&] { MovePointerTo(window->Screen(kBackgroundOnly)); })
        .Then([&] { MovePointerTo(window->Screen(kInA)); })
        .Then(ReleaseLeftButton);
    Play(script);
    EXPECT_EQ(window->framesOfA,
              std::vector<uint32_t>({kRed, kGreen, kBlue, kGreen, kBlue, kGreen}));
    EXPECT_EQ(window->clicks, std::vector<int>({7}));

    MovePointerTo(kAway);
    EXPECT_TRUE(WaitUntil([&] { return window->framesOfA.back() == kRed; }, 2000))
        << "leaving the window clears the hover look";
}

TEST_F(LayeredWindowTest, NoClickWhenReleasedElsewhere) {
    InputScript script;
    script.Then([&] { MovePointerTo(window->Screen(kInA)); })
        .Then(PressLeftButton)
        .Then([&] { MovePointerTo(window->Screen(kInC)); })
        .Then(ReleaseLeftButton)
        .Then([&] { MovePointerTo(window->Screen(kInA)); })
        .Then(PressLeftButton)
        .Then([&] { MovePointerTo(window->Screen(kBackgroundOnly)); })
        .Then(ReleaseLeftButton);
    Play(script);
    EXPECT_TRUE(window->clicks.empty());
    EXPECT_FALSE(window->IsTrackingPress());
}

// A window of this thread that takes the capture away when told to.
class CaptureThief : public FCRawWindow {
  public:
    CaptureThief() { Create(0, nullptr, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, nullptr); }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_APP) ::SetCapture(m_hWnd);
        if (msg == WM_APP + 1) ::ReleaseCapture();
        return FCRawWindow::WindowProc(msg, wParam, lParam);
    }
};

TEST_F(LayeredWindowTest, CaptureTakenAwayEndsThePressWithoutAClick) {
    CaptureThief thief;
    InputScript script;
    script.Then([&] { MovePointerTo(window->Screen(kInA)); })
        .Then(PressLeftButton)
        .Then([&] { ::PostMessageW(thief.GetHwnd(), WM_APP, 0, 0); })
        .Then([&] {
            MovePointerTo(window->Screen(POINT{kInA.x + 2, kInA.y}));
        })
        .Then([&] { ::PostMessageW(thief.GetHwnd(), WM_APP + 1, 0, 0); })
        .Then(ReleaseLeftButton);
    Play(script);
    EXPECT_TRUE(window->clicks.empty());
    EXPECT_FALSE(window->IsTrackingPress());
    EXPECT_NE(window->framesOfA.back(), kBlue) << "not left pressed";
}

TEST_F(LayeredWindowTest, QuitDuringAPressReachesTheThreadsLoop) {
    const DWORD thread = ::GetCurrentThreadId();
    InputScript script;
    script.Then([&] { MovePointerTo(window->Screen(kInA)); })
        .Then(PressLeftButton)
        .Then([&] { ::PostThreadMessageW(thread, WM_QUIT, 42, 0); })
        .Then([&] {
            MovePointerTo(window->Screen(POINT{kInA.x + 1, kInA.y}));
        })
        .Then(ReleaseLeftButton);
    script.Start();
    MSG msg = {};
    int quits = 0;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 5000 && !quits) {
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                ++quits;
                break;
            }
            ::DispatchMessageW(&msg);
        }
        ::Sleep(5);
    }
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(msg.wParam, 42u);
    EXPECT_FALSE(window->IsTrackingPress());
    EXPECT_TRUE(WaitUntil([&] { return script.Done(); }, 10000));
    PumpFor(100);
    EXPECT_TRUE(window->clicks.empty());
}

TEST_F(LayeredWindowTest, ElementCursorOverItClassArrowElsewhere) {
    const HCURSOR hand = ::LoadCursorW(nullptr, IDC_HAND);
    const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
    MovePointerTo(window->Screen(kInA));
    EXPECT_TRUE(WaitUntil([&] { return ::GetCursor() == hand; }, 2000));
    MovePointerTo(window->Screen(kInB));
    EXPECT_TRUE(WaitUntil([&] { return ::GetCursor() == arrow; }, 2000));
    MovePointerTo(window->Screen(kInA));
    EXPECT_TRUE(WaitUntil([&] { return ::GetCursor() == hand; }, 2000));
    MovePointerTo(window->Screen(kBackgroundOnly));
    EXPECT_TRUE(WaitUntil([&] { return ::GetCursor() == arrow; }, 2000));
}

BOOL CALLBACK FindOwnToolTip(HWND hwnd, LPARAM found) {
    if (ClassNameOf(hwnd) == TOOLTIPS_CLASSW &&
        ::GetWindowThreadProcessId(hwnd, nullptr) == ::GetCurrentThreadId()) {
        *reinterpret_cast<HWND*>(found) = hwnd;
    }
    return TRUE;
}

// Each element with a text has one tool of its own over its rectangle, however often the
// pointer comes in.
TEST_F(LayeredWindowTest, TooltipsAreRegisteredOncePerElement) {
    HWND tip = nullptr;
    ::EnumWindows(FindOwnToolTip, reinterpret_cast<LPARAM>(&tip));
    ASSERT_TRUE(tip);
    for (int entry = 0; entry < 3; ++entry) {
        MovePointerTo(window->Screen(kInB));
        ASSERT_TRUE(WaitUntil([&] { return window->IsHovering(); }, 2000));
        MovePointerTo(kAway);
        ASSERT_TRUE(WaitUntil([&] { return !window->IsHovering(); }, 2000));
    }
    ASSERT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 2);
    std::vector<std::pair<std::wstring, RECT>> tools;
    for (int i = 0; i < 2; ++i) {
        wchar_t text[80] = {};
        TOOLINFOW info = {};
        info.cbSize = TTTOOLINFOW_V2_SIZE;
        info.lpszText = text;
        ASSERT_TRUE(::SendMessageW(tip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&info)));
        tools.emplace_back(text, info.rect);
    }
    EXPECT_EQ(tools[0].first, L"first");
    EXPECT_TRUE(::EqualRect(&tools[0].second, &kRectA));
    EXPECT_EQ(tools[1].first, L"third");
    EXPECT_TRUE(::EqualRect(&tools[1].second, &kRectC));
}

// An owner that deletes the window on a message: during a press the message waits until the
// press is over, so the window is never deleted inside its own loop.
class Closer : public FCRawWindow {
  public:
    explicit Closer(std::unique_ptr<TestWindow>& target) : m_target(target) {
        Create(0, nullptr, WS_POPUP, RECT{0, 0, 10, 10}, nullptr, nullptr);
    }
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_APP && m_target) {
            if (m_target->IsTrackingPress()) {
                ++deferred;
                m_target->PostAfterPress(m_hWnd, msg, wParam, lParam);
            } else {
                clicksBeforeClose = m_target->clicks;
                m_target.reset();
            }
            return 0;
        }
        return FCRawWindow::WindowProc(msg, wParam, lParam);
    }
    int deferred = 0;
    std::vector<int> clicksBeforeClose;

  private:
    std::unique_ptr<TestWindow>& m_target;
};

TEST_F(LayeredWindowTest, CloseRequestedDuringAPressWaitsForItsEnd) {
    Closer closer(window);
    InputScript script;
    script.Then([&] { MovePointerTo(window->Screen(kInA)); })
        .Then(PressLeftButton)
        .Then([&] { ::PostMessageW(closer.GetHwnd(), WM_APP, 0, 0); })
        .Then([&] {
            MovePointerTo(POINT{300 + kInA.x + 1, 300 + kInA.y});
        })
        .Then(ReleaseLeftButton);
    Play(script);
    EXPECT_EQ(closer.deferred, 1);
    EXPECT_FALSE(window) << "closed once the press was over";
    EXPECT_EQ(closer.clicksBeforeClose, std::vector<int>({7}));
}

}  // namespace
