// The owner-drawn button and its hover tracking, driven by the real pointer.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/Input.h"
#include "support/WindowQueries.h"
#include "toolkit/RawButton.h"

namespace {

constexpr COLORREF kIdle = RGB(0, 0, 255);
constexpr COLORREF kHover = RGB(0, 255, 0);
constexpr COLORREF kPushed = RGB(255, 0, 0);

class TestButton : public FCRawButton {
  public:
    int enters = 0, leaves = 0, draws = 0, pushedDraws = 0;

  protected:
    void OnMouseEnter() override { ++enters; }
    void OnMouseLeave() override { ++leaves; }
    void DrawButton(HDC hdc, RECT rc) override {
        ++draws;
        if (IsPushed()) ++pushedDraws;
        const COLORREF color = IsPushed() ? kPushed : IsHovering() ? kHover : kIdle;
        HBRUSH brush = ::CreateSolidBrush(color);
        ::FillRect(hdc, &rc, brush);
        ::DeleteObject(brush);
    }
};

class ParentWindow : public FCRawWindow {
  public:
    int clicks = 0;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_COMMAND && LOWORD(wParam) == 300 && HIWORD(wParam) == BN_CLICKED) ++clicks;
        return FCRawWindow::WindowProc(msg, wParam, lParam);
    }
};

COLORREF ScreenPixel(POINT pt) {
    HDC screen = ::GetDC(nullptr);
    const COLORREF color = ::GetPixel(screen, pt.x, pt.y);
    ::ReleaseDC(nullptr, screen);
    return color;
}

class RawButtonTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ShortenHoverTime();
        MovePointerTo(kAway);
        parent.Create(0, nullptr, WS_POPUP | WS_VISIBLE, RECT{200, 150, 400, 250}, nullptr,
                      nullptr);
        button.Create(RECT{20, 20, 80, 50}, parent.GetHwnd(), 300, WS_VISIBLE);
        ASSERT_TRUE(button.GetHwnd());
        center = {50, 35};
        ::ClientToScreen(parent.GetHwnd(), &center);
        PumpFor(300);
    }

    static constexpr POINT kAway = {5, 5};
    ParentWindow parent;
    TestButton button;
    POINT center = {};
};

TEST_F(RawButtonTest, OneEnterAndOneLeaveEachWithOneRepaint) {
    ASSERT_GE(button.draws, 1) << "painted through the parent's reflection";
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(center) == kIdle; }, 2000));

    // A leave that comes while nothing is tracked changes nothing.
    int draws = button.draws;
    ::SendMessageW(button.GetHwnd(), WM_MOUSELEAVE, 0, 0);
    PumpFor(100);
    EXPECT_EQ(button.leaves, 0);
    EXPECT_EQ(button.draws, draws);

    MovePointerTo(center);
    ASSERT_TRUE(WaitUntil([&] { return button.enters == 1; }, 2000));
    for (int dx : {1, 2, 3, -4}) MovePointerTo(POINT{center.x + dx, center.y + dx});
    PumpFor(200);
    EXPECT_EQ(button.enters, 1);
    EXPECT_EQ(button.leaves, 0);
    EXPECT_TRUE(button.IsHovering());
    EXPECT_EQ(button.draws, draws + 1);
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(center) == kHover; }, 2000));

    draws = button.draws;
    MovePointerTo(kAway);
    ASSERT_TRUE(WaitUntil([&] { return button.leaves == 1; }, 2000));
    PumpFor(200);
    EXPECT_EQ(button.enters, 1);
    EXPECT_FALSE(button.IsHovering());
    EXPECT_EQ(button.draws, draws + 1);
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(center) == kIdle; }, 2000));
}

TEST_F(RawButtonTest, DrawsPushedWhileHeldAndClicksOnRelease) {
    MovePointerTo(center);
    ASSERT_TRUE(WaitUntil([&] { return button.enters == 1; }, 2000));
    PressLeftButton();
    EXPECT_TRUE(WaitUntil([&] { return button.pushedDraws > 0; }, 2000));
    EXPECT_TRUE(button.IsPushed());
    EXPECT_TRUE(WaitUntil([&] { return ScreenPixel(center) == kPushed; }, 2000));
    ReleaseLeftButton();
    EXPECT_TRUE(WaitUntil([&] { return parent.clicks == 1; }, 2000));
    EXPECT_FALSE(button.IsPushed());
    MovePointerTo(kAway);
    PumpFor(100);
}

}  // namespace
