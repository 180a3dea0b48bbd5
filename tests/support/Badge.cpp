#include "support/Badge.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Input.h"
#include "support/Registry.h"
#include "support/StandIns.h"
#include "support/WindowQueries.h"

namespace {

POINT CentreOf(HWND window) {
    RECT rc;
    ::GetWindowRect(window, &rc);
    return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
}

}  // namespace

void ClickAt(POINT screen) {
    MovePointerTo(screen);
    PumpFor(100);
    PressLeftButton();
    PumpFor(30);
    ReleaseLeftButton();
}

HWND WaitForPopUp() {
    HWND pop = nullptr;
    WaitUntil(
        [&] {
            pop = ::FindWindowW(L"uis_layered_wnd_class", nullptr);
            return pop && ::IsWindowVisible(pop);
        },
        2500);
    return pop && ::IsWindowVisible(pop) ? pop : nullptr;
}

HWND WaitForConfirmation() {
    HWND box = nullptr;
    WaitUntil(
        [&] {
            box = ::FindWindowW(L"#32770", L"koxQuenda");
            return box != nullptr;
        },
        3000);
    return box;
}

void ExpectClickOpensPopUpWhoseElementsWork(HWND badge) {
    // The shell hands http addresses (the report page) to the stand-in main program, which logs
    // them.
    auto urlHandler =
        ScopedRegistryValue::String(L"Software\\Classes\\http\\shell\\open\\command", L"",
                                    L"\"" + BinaryDirectory() + L"koxQNMain.exe\" url \"%1\"");
    ClickAt(CentreOf(badge));
    const HWND pop = WaitForPopUp();
    ASSERT_TRUE(pop);
    PumpFor(500);  // whatever the click activates has happened
    RECT popRect;
    ::GetWindowRect(pop, &popRect);
    const auto at = [&](int x, int y) { return POINT{popRect.left + x, popRect.top + y}; };
    for (POINT pt : {at(170, 20), at(20, 200), at(320, 200), at(170, 150)}) {
        EXPECT_EQ(::WindowFromPoint(pt), pop)
            << "the pop-up is below something at " << pt.x << "," << pt.y;
    }
    // Its elements, each clicked where it lies: browser repair, home-page repair, open.
    const std::wstring program = BinaryDirectory() + L"koxQNMain.exe";
    const struct {
        POINT where;
        const char* command;
    } elements[] = {{at(242, 144), "s:0"}, {at(90, 144), "s:2"}, {at(37, 201), ""}};
    std::vector<std::string> expected;
    for (const auto& e : elements) {
        SCOPED_TRACE(e.command);
        ClickAt(e.where);
        expected.push_back(e.command);
        EXPECT_TRUE(WaitUntil([&] { return MainProgramStarts(program) == expected; }, 5000));
        PumpFor(::GetDoubleClickTime() + 100);
        ASSERT_TRUE(::IsWindow(pop)) << "the pop-up stays open";
    }
    // The report link: the report page for the address, through the shell.
    ClickAt(at(102, 172));
    ASSERT_TRUE(WaitUntil([&] { return MainProgramStarts(program).size() == 4; }, 8000));
    EXPECT_EQ(MainProgramStarts(program).back().rfind("url http://", 0), 0u);
    EXPECT_NE(MainProgramStarts(program).back().find("/report/index.php?title=%20&url="),
              std::string::npos);
    PumpFor(::GetDoubleClickTime() + 100);
    ClickAt(at(318, 38));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(pop); }, 2000)) << "closed by its button";

    // Opened again: hiding the badge, once the person confirmed it.
    PumpFor(::GetDoubleClickTime() + 100);
    ClickAt(CentreOf(badge));
    const HWND again = WaitForPopUp();
    ASSERT_TRUE(again);
    PumpFor(500);
    ::GetWindowRect(again, &popRect);
    ClickAt(at(248, 201));
    const HWND box = WaitForConfirmation();
    ASSERT_TRUE(box) << "no confirmation asked";
    ::SendMessageW(::GetDlgItem(box, IDYES), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindowVisible(::GetParent(badge)); }, 3000))
        << "the badge is still shown";
    EXPECT_TRUE(WaitUntil([&] { return MainProgramStarts(program).size() == 5; }, 5000));
    EXPECT_EQ(MainProgramStarts(program).back(), "r:0");
}

void ExpectPressesStartTheMainProgram(HWND badge) {
    MovePointerTo(CentreOf(badge));
    PumpFor(1200);
    EXPECT_EQ(::FindWindowW(L"uis_layered_wnd_class", nullptr), nullptr);
    const std::wstring program = BinaryDirectory() + L"koxQNMain.exe";
    for (size_t press = 1; press <= 2; ++press) {
        PressLeftButton();
        PumpFor(50);
        ReleaseLeftButton();
        EXPECT_TRUE(WaitUntil([&] { return MainProgramStarts(program).size() == press; }, 5000));
        PumpFor(::GetDoubleClickTime() + 100);
    }
    EXPECT_EQ(MainProgramStarts(program), std::vector<std::string>({"s:0", "s:0"}));
}
