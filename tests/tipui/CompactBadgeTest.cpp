// The compact library's badge: a press starts the main program; resting on it opens nothing.
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/StandIns.h"
#include "tipui/TipFixture.h"

namespace {

BOOL CALLBACK NoteLayered(HWND hwnd, LPARAM found) {
    if (ClassNameOf(hwnd) == L"uis_layered_wnd_class") *reinterpret_cast<bool*>(found) = true;
    return TRUE;
}

bool AnyLayeredWindowOfOurs() {
    bool found = false;
    ::EnumThreadWindows(::GetCurrentThreadId(), NoteLayered, reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST_F(TipTest, PressStartsTheMainProgramEachTime) {
    const std::wstring program = BinaryDirectory() + L"koxQNMain.exe";
    MovePointerTo(BadgeCentre());
    for (int press = 1; press <= 2; ++press) {
        PumpFor(::GetDoubleClickTime() + 100);  // two presses, not one double click
        PressLeftButton();
        PumpFor(80);
        ReleaseLeftButton();
        EXPECT_TRUE(
            WaitUntil([&] { return MainProgramStarts(program).size() == size_t(press); }, 5000));
    }
    EXPECT_EQ(MainProgramStarts(program), std::vector<std::string>({"s:0", "s:0"}));
}

TEST_F(TipTest, RestingOnTheBadgeOpensNothing) {
    MovePointerTo(BadgeCentre());
    ASSERT_TRUE(WaitUntil([&] { return Badge().IsHovering(); }, 2000));
    PumpFor(1500);
    EXPECT_FALSE(AnyLayeredWindowOfOurs());
    EXPECT_TRUE(MainProgramStarts().empty());
}

}  // namespace
