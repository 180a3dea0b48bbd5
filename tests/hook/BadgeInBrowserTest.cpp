// The whole system across real processes: the stand-in main program hooks a stand-in Internet
// Explorer 8, pushes verdicts into the browser's result window, and the badge in the browser's
// address bar shows them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Badge.h"
#include "support/Input.h"
#include "support/Registry.h"
#include "support/Screen.h"
#include "support/StandIns.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"
#include "channel/ResultMessages.h"
#include "channel/ResultRecord.h"
#include "channel/TempFileExchange.h"
#include "channel/UrlDigest.h"
#include "veko.h"

namespace {

constexpr const wchar_t* kAddress = L"http://bad.example/login";

// Wine answers GetVersionExW of one program with the version given here.
class ProgramVersion {
  public:
    ProgramVersion(const wchar_t* program, const wchar_t* version)
        : m_key(std::wstring(L"Software\\Wine\\AppDefaults\\") + program) {
        HKEY key = nullptr;
        ::RegCreateKeyExW(HKEY_CURRENT_USER, m_key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr);
        ::RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                         DWORD((wcslen(version) + 1) * sizeof(wchar_t)));
        ::RegCloseKey(key);
    }
    ~ProgramVersion() { ::RegDeleteTreeW(HKEY_CURRENT_USER, m_key.c_str()); }

  private:
    std::wstring m_key;
};

class BadgeInBrowserTest : public ::testing::Test {
  protected:
    void Start(const std::wstring& options = L"") {
        MovePointerTo(kAway);
        browser = std::make_unique<StandInBrowser>(
            L"ie8", std::wstring(L"--url ") + kAddress + L" " + options);
        ASSERT_TRUE(browser->IsUp());
        main = std::make_unique<MainProgram>(browser->Frame());
        ASSERT_TRUE(main->Hook());
        ASSERT_TRUE(WaitUntil(
            [&] {
                tip = FindAddressTip(::GetParent(browser->Edit()));
                badge = tip ? ::GetWindow(tip, GW_CHILD) : nullptr;
                return badge && LookOf(badge) == 'G';
            },
            8000));
    }
    void TearDown() override { MovePointerTo(kAway); }

    // Pushes one verdict to every result window; the number of windows that took it.
    int Push(const std::wstring& verdict, const wchar_t* how) {
        const MainProgramRun run = RunMainProgram(std::wstring(L"push \"") + kAddress + L"\" " +
                                                  verdict + L" --by " + how);
        return run.lines.empty() ? -1 : std::stoi(run.lines.back().substr(7));
    }

    static constexpr POINT kAway = {5, 5};
    ScopedTempDir temp;
    BrowserSettings settings;
    std::unique_ptr<StandInBrowser> browser;
    std::unique_ptr<MainProgram> main;
    HWND tip = nullptr;
    HWND badge = nullptr;
};

// Within one 800 ms tick of the push the badge leaves green: it flashes and then stays red.
TEST_F(BadgeInBrowserTest, PushedVerdictsTurnTheBadgeRed) {
    for (const wchar_t* how : {L"file", L"copydata"}) {
        SCOPED_TRACE(how);
        Start();
        PumpFor(300);
        ASSERT_EQ(Push(L"0x09", how), 1) << "one result window, the browser's";
        const DWORD pushed = ::GetTickCount();
        ASSERT_TRUE(WaitUntil([&] { return LookOf(badge) != 'G'; }, 1500));
        EXPECT_LT(::GetTickCount() - pushed, 1200u);
        EXPECT_TRUE(WaitUntil([&] { return LookOf(badge) == 'R'; }, 1500));
        EXPECT_TRUE(WaitUntil([&] { return LookOf(badge) == 'W'; }, 1500)) << "flashing";
        browser.reset();
    }
}

// Hands the browser's result window one verdict for the address from this process at once (the
// stand-in main program would take a program start): by WM_COPYDATA, or by result file.
bool DeliverNow(HWND result, bool byFile) {
    const ResultRecord record = MakeResultRecord(ComputeUrlDigest(kAddress), 0x09);
    DWORD_PTR answer = 0;
    if (!byFile) {
        COPYDATASTRUCT data = {veko::kCopyDataMagic, sizeof(record),
                               const_cast<ResultRecord*>(&record)};
        return ::SendMessageTimeoutW(result, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                                     SMTO_ABORTIFHUNG, 2000, &answer) &&
               answer == 1;
    }
    const std::wstring path = ResultFilePath(7, 9);
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const bool saved = file != INVALID_HANDLE_VALUE &&
                       ::WriteFile(file, &record, sizeof(record), &written, nullptr);
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    return saved &&
           ::SendMessageTimeoutW(result, NewUrlResultMessage(), 7, 9, SMTO_ABORTIFHUNG, 2000,
                                 &answer) &&
           answer == 1;
}

// A verdict delivered right after a tick of the badge (each reads the address bar's text) is on
// the screen long before the next tick.
TEST_F(BadgeInBrowserTest, VerdictPushedBetweenTwoTicksShowsAtOnce) {
    for (bool byFile : {true, false}) {
        SCOPED_TRACE(byFile ? "file" : "copydata");
        Start(L"--lying-edit");
        const std::vector<HWND> results = ResultWindowsOf(browser->ProcessId());
        ASSERT_EQ(results.size(), 1u);
        const LRESULT before = browser->Command(L"lastread");
        ASSERT_TRUE(WaitUntil([&] { return browser->Command(L"lastread") != before; }, 1500));
        const DWORD tick = static_cast<DWORD>(browser->Command(L"lastread"));
        ASSERT_TRUE(DeliverNow(results[0], byFile));
        const DWORD delivered = ::GetTickCount();
        ASSERT_TRUE(WaitUntil([&] { return LookOf(badge) != 'G'; }, 1500));
        EXPECT_LT(::GetTickCount() - delivered, 300u) << "the badge waited for its next tick";
        EXPECT_EQ(static_cast<DWORD>(browser->Command(L"lastread")), tick)
            << "a tick came in between";
        browser.reset();
    }
}

TEST_F(BadgeInBrowserTest, NotAlarmingVerdictStaysGreenAndSwitchedOffMonitorIsAmber) {
    Start();
    ASSERT_EQ(Push(std::to_wstring(veko::MakeVerdict(3, 2)), L"copydata"), 1);
    PumpFor(1800);
    EXPECT_EQ(LookOf(badge), 'G');
    auto off = ScopedRegistryValue::Dword(veko::kSwitchesKey, veko::kMalwareMonitorValue, 0);
    EXPECT_TRUE(WaitUntil([&] { return LookOf(badge) == 'A'; }, 2000));
}

#ifndef VEKO_COMPACT
TEST_F(BadgeInBrowserTest, RestingOnTheBadgeOpensThePopUpInTheBrowser) {
    Start();
    RECT rc;
    ::GetWindowRect(badge, &rc);
    MovePointerTo(POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
    const HWND pop = WaitForPopUp();
    ASSERT_TRUE(pop);
    DWORD process = 0;
    ::GetWindowThreadProcessId(pop, &process);
    EXPECT_EQ(process, browser->ProcessId());
    RECT popRect;
    ::GetWindowRect(pop, &popRect);
    EXPECT_EQ(popRect.left, rc.left - 232);
    EXPECT_EQ(popRect.top, rc.bottom);
    EXPECT_EQ(popRect.right - popRect.left, 340);
    EXPECT_EQ(popRect.bottom - popRect.top, 216);
    MovePointerTo(kAway);
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(pop); }, 1500)) << "and it closes again";
}

// Opened by a click (which would activate the browser's frame, the pop-up's owner), the pop-up
// lies above the frame all the same and takes the clicks on its elements.
TEST_F(BadgeInBrowserTest, ClickingTheBadgeOpensThePopUpOnTopAndItsElementsWork) {
    Start();
    ExpectClickOpensPopUpWhoseElementsWork(badge);
}
#else
// In the compact library a press on the badge starts the main program from the library's own
// directory; resting on it opens nothing.
TEST_F(BadgeInBrowserTest, PressOnTheBadgeStartsTheMainProgram) {
    Start();
    ExpectPressesStartTheMainProgram(badge);
}
#endif

// Windows 7 and later get the square badge; earlier systems the rounded one, whose corners show
// the address bar's white through.
TEST_F(BadgeInBrowserTest, SystemVersionChoosesTheBadgePictures) {
    for (const wchar_t* version : {L"win7", L"vista", L"winxp"}) {
        SCOPED_TRACE(version);
        const bool square = std::wstring(version) == L"win7";
        ProgramVersion as(L"standin_browser.exe", version);
        Start();
        RECT rc;
        ::GetWindowRect(badge, &rc);
#ifdef VEKO_COMPACT
        EXPECT_EQ(rc.right - rc.left, square ? 30 : 34) << "the compact rounded badge is wider";
#else
        EXPECT_EQ(rc.right - rc.left, 30);
#endif
        const char corner = BadgeLook(RECT{rc.left, rc.top, rc.left + 1, rc.top + 1});
        EXPECT_EQ(corner, square ? 'G' : 'W');
        browser.reset();
    }
}

}  // namespace
