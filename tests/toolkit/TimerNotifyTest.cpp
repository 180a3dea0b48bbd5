// Thread timers with object callbacks: one table entry per running timer, ticks that stop when
// the timer is killed, and a table that lives exactly as long as timer objects do.
#include <gtest/gtest.h>

#include <functional>

#include "support/WindowQueries.h"
#include "toolkit/TimerNotify.h"

namespace {

class Counter : public FCTimerNotify {
  public:
    void OnTimer() override {
        ++ticks;
        if (onTick) onTick(*this);
    }
    int ticks = 0;
    std::function<void(Counter&)> onTick;
};

size_t EntriesOf(const FCTimerNotify& object) {
    size_t count = 0;
    for (const auto& [id, owner] : *FCTimerNotify::TimerMap()) count += owner == &object;
    return count;
}

TEST(TimerNotify, StartingAgainLeavesOneTimerUnderTheNewId) {
    Counter counter;
    counter.StartTimer(20);
    const UINT_PTR first = counter.GetTimerId();
    counter.StartTimer(20);
    ASSERT_NE(counter.GetTimerId(), 0u);
    EXPECT_EQ(EntriesOf(counter), 1u);
    EXPECT_EQ(FCTimerNotify::TimerMap()->count(counter.GetTimerId()), 1u);
    if (first != counter.GetTimerId()) {
        EXPECT_EQ(FCTimerNotify::TimerMap()->count(first), 0u);
    }
    PumpFor(300);
    EXPECT_GE(counter.ticks, 5);
    EXPECT_LE(counter.ticks, 20) << "one timer ticking, not two";
}

TEST(TimerNotify, KillingInsideTheTickStopsTheTicks) {
    Counter counter;
    counter.onTick = [](Counter& self) {
        self.KillTimer();
        self.KillTimer();  // harmless
    };
    counter.StartTimer(10);
    PumpFor(300);
    EXPECT_EQ(counter.ticks, 1);
    EXPECT_EQ(counter.GetTimerId(), 0u);
    EXPECT_EQ(EntriesOf(counter), 0u);
}

TEST(TimerNotify, TableLivesWhileTimerObjectsDo) {
    ASSERT_EQ(FCTimerNotify::TimerMap(), nullptr) << "no timer object in this program yet";
    {
        Counter a;
        Counter b;
        a.StartTimer(50);
        EXPECT_NE(FCTimerNotify::TimerMap(), nullptr);
    }
    EXPECT_EQ(FCTimerNotify::TimerMap(), nullptr);
    Counter fresh;
    ASSERT_NE(FCTimerNotify::TimerMap(), nullptr);
    EXPECT_TRUE(FCTimerNotify::TimerMap()->empty());
}

// The next tick from the queue, taken out without dispatching anything else.
bool TakeTick(MSG& tick) {
    for (int i = 0; i < 200; ++i) {
        if (::PeekMessageW(&tick, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) return true;
        ::Sleep(5);
    }
    return false;
}

TEST(TimerNotify, TickOfAKilledTimerCallsNothing) {
    Counter keeper;  // keeps the timer procedure registered, so a late tick is still dispatched
    keeper.StartTimer(60000);
    Counter counter;
    counter.StartTimer(10);
    MSG tick = {};
    ASSERT_TRUE(TakeTick(tick));
    ::DispatchMessageW(&tick);
    ASSERT_EQ(counter.ticks, 1) << "a tick of a live timer arrives";

    ASSERT_TRUE(TakeTick(tick));
    ASSERT_EQ(tick.wParam, counter.GetTimerId());
    counter.KillTimer();
    ::DispatchMessageW(&tick);  // retrieved before the kill, delivered after it
    EXPECT_EQ(counter.ticks, 1);
    EXPECT_EQ(keeper.ticks, 0);
}

}  // namespace
