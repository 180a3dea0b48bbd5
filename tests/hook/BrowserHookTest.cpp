// The real library hooked into a stand-in browser's process by the stand-in main program: the
// address tip over each browser kind's address edit, the switches that keep it away, the rescan
// for further frames, re-layout on resize, and unloading.
#include <gtest/gtest.h>

#include <vector>

#include "support/Registry.h"
#include "support/StandIns.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"
#include "veko.h"

namespace {

constexpr DWORD kAttachTimeout = 6000;
// Two rescans of 2000 ms and some slack.
constexpr DWORD kRescanTimeout = 5000;

void ExpectLaidOver(HWND tip, HWND edit, bool spansEditHeight) {
    ASSERT_TRUE(tip);
    const RECT t = RectInParent(tip);
    const RECT e = RectInParent(edit);
    const RECT parent = ClientRectOf(::GetParent(edit));
    EXPECT_EQ(::GetParent(tip), ::GetParent(edit));
    EXPECT_TRUE(::IsWindowVisible(tip));
    EXPECT_TRUE(::GetWindowLongPtrW(tip, GWL_EXSTYLE) & WS_EX_NOPARENTNOTIFY)
        << "the tip's coming and going is no message to the parent's thread";
    EXPECT_EQ(t.right, e.right);
    EXPECT_EQ(t.right - t.left, 30);
    if (spansEditHeight) {
        EXPECT_EQ(t.top, e.top);
        EXPECT_EQ(t.bottom, e.bottom);
    } else {
        EXPECT_EQ(t.top, (parent.bottom - 14) / 2);
        EXPECT_EQ(t.bottom - t.top, 14);
    }
}

class BrowserHookTest : public ::testing::Test {
  protected:
    ScopedTempDir m_temp;
    BrowserSettings m_settings;
};

// Posts WM_NULL to a window without pause while it lives, from a thread of its own: the browser's
// thread retrieves a message the moment the hook is set.
class Stirrer {
  public:
    explicit Stirrer(HWND target) : m_target(target) {
        m_thread = ::CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~Stirrer() {
        m_stop = true;
        ::WaitForSingleObject(m_thread, 5000);
        ::CloseHandle(m_thread);
    }

  private:
    static DWORD WINAPI Run(void* self) {
        auto* stirrer = static_cast<Stirrer*>(self);
        while (!stirrer->m_stop) {
            ::PostMessageW(stirrer->m_target, WM_NULL, 0, 0);
            ::Sleep(0);
        }
        return 0;
    }
    HWND m_target;
    HANDLE m_thread;
    volatile bool m_stop = false;
};

// Lets a held file go as soon as the library is in the browser.
struct FileRelease {
    StandInBrowser* browser;
    HANDLE held;
    static DWORD WINAPI Run(void* param) {
        auto* r = static_cast<FileRelease*>(param);
        WaitUntil([&] { return r->browser->Command(L"loaded") == 1; }, 5000);
        ::CloseHandle(r->held);
        return 0;
    }
};

// The main program saves the table a moment after it sets the hook. A browser that retrieves a
// message in between loads the library before its entry is on disk (here the gap is widened: the
// table file is held open, so that its replacement waits until the library is in the browser),
// and is served all the same.
TEST_F(BrowserHookTest, BusyBrowserLoadingTheLibraryBeforeTheTableIsSavedIsServed) {
    StandInBrowser browser(L"ie8", L"--url http://busy.example/");
    ASSERT_TRUE(browser.IsUp());
    const std::wstring table = m_temp.File(veko::kHookTableFileName);
    {
        std::vector<char> zeros(veko::kHookTableBytes, 0);
        HANDLE file = ::CreateFileW(table.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(file, zeros.data(), DWORD(zeros.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    // Readers may open it; nobody may replace it while this handle is open.
    HANDLE held = ::CreateFileW(table.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Stirrer stirrer(browser.Frame());
    FileRelease release = {&browser, held};
    HANDLE releaser = ::CreateThread(nullptr, 0, FileRelease::Run, &release, 0, nullptr);
    MainProgram main(browser.Frame());
    ::WaitForSingleObject(releaser, 10000);
    ::CloseHandle(releaser);
    ASSERT_TRUE(main.Hook());
    EXPECT_TRUE(WaitForTip(browser.Edit(), kAttachTimeout)) << "the browser was not served";
}

// Wine's own Internet Explorer with a still page retrieves no message at all, and a browser's
// thread loads the library only when it retrieves one: the main program posts one after hooking.
TEST_F(BrowserHookTest, IdleBrowserIsServedAsSoonAsItIsHooked) {
    auto build = ScopedRegistryValue::String(veko::kInternetExplorerKey,
                                             veko::kInternetExplorerBuildValue, L"6000");
    StandInBrowser browser(L"ie6", L"--idle --url http://idle.example/");
    ASSERT_TRUE(browser.IsUp());
    MainProgram main(browser.Frame());
    ASSERT_TRUE(main.Hook());
    ExpectLaidOver(WaitForTip(browser.Edit(), 3000), browser.Edit(), false);
}

struct KindCase {
    const wchar_t* kind;
    const wchar_t* program;
    const wchar_t* build;
    bool spansEditHeight;
};

class EveryBrowserKind : public BrowserHookTest, public ::testing::WithParamInterface<KindCase> {};

TEST_P(EveryBrowserKind, TipLiesOverTheRightEndOfTheAddressEdit) {
    const KindCase& c = GetParam();
    auto build = ScopedRegistryValue::String(veko::kInternetExplorerKey,
                                             veko::kInternetExplorerBuildValue, c.build);
    StandInBrowser browser(c.kind, L"--url http://example.com/", c.program);
    ASSERT_TRUE(browser.IsUp());
    MainProgram main(browser.Frame());
    ASSERT_TRUE(main.Hook());

    HWND tip = WaitForTip(browser.Edit(), kAttachTimeout);
    ExpectLaidOver(tip, browser.Edit(), c.spansEditHeight);
    EXPECT_EQ(browser.Command(L"changed"), 1) << "the address edit alone is served";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EveryBrowserKind,
    ::testing::Values(KindCase{L"ie8", L"standin_browser.exe", L"8001", false},
                      KindCase{L"ie7", L"standin_browser.exe", L"7000", false},
                      KindCase{L"ie6", L"standin_browser.exe", L"6000", false},
                      // classic Maxthon is known by its program name, whatever "Build" says
                      KindCase{L"maxthon", L"maxthon.exe", L"9001", false},
                      KindCase{L"maxthon2", L"standin_browser.exe", L"8001", false},
                      KindCase{L"sogou", L"standin_browser.exe", L"8001", true},
                      KindCase{L"tt", L"standin_browser.exe", L"8001", true}),
    [](const ::testing::TestParamInfo<KindCase>& info) {
        std::string name;
        for (const wchar_t* p = info.param.kind; *p; ++p) name += static_cast<char>(*p);
        return name;
    });

// A hooked stand-in Internet Explorer 8: the hook reaches the browser (the library comes into
// its process) and then nothing is attached.
void ExpectHookedButNotServed() {
    StandInBrowser browser(L"ie8");
    ASSERT_TRUE(browser.IsUp());
    MainProgram main(browser.Frame());
    ASSERT_TRUE(main.Hook());
    EXPECT_TRUE(WaitUntil([&] { return browser.Command(L"loaded") == 1; }, kAttachTimeout));
    PumpFor(2500);
    EXPECT_EQ(FindAddressTip(::GetParent(browser.Edit())), nullptr);
    EXPECT_EQ(browser.Command(L"changed"), 0);
}

TEST_F(BrowserHookTest, AddressBarAlertSwitchedOffAttachesNothing) {
    auto alert = ScopedRegistryValue::Dword(veko::kSwitchesKey, veko::kAddressBarAlertValue, 0);
    ExpectHookedButNotServed();
}

TEST_F(BrowserHookTest, InternetExplorerOfAnotherBuildIsNotServed) {
    for (const wchar_t* build : {L"9001", static_cast<const wchar_t*>(nullptr), L"8"}) {
        SCOPED_TRACE(build ? "Build " + std::string(build, build + wcslen(build)) : "no Build");
        auto value = ScopedRegistryValue::StringOrMissing(veko::kInternetExplorerKey,
                                                          veko::kInternetExplorerBuildValue, build);
        ExpectHookedButNotServed();
    }
}

TEST_F(BrowserHookTest, RescanServesNewFramesAboveTheKnownOnes) {
    StandInBrowser browser(L"ie8");
    ASSERT_TRUE(browser.IsUp());
    MainProgram main(browser.Frame());
    ASSERT_TRUE(WaitForTip(browser.Edit(), kAttachTimeout));

    HWND above = browser.NewFrame(true);
    HWND aboveEdit = browser.EditOf(above);
    ExpectLaidOver(WaitForTip(aboveEdit, kRescanTimeout), aboveEdit, false);

    HWND below = browser.NewFrame(false);
    HWND belowEdit = browser.EditOf(below);
    PumpFor(kRescanTimeout);
    EXPECT_EQ(FindAddressTip(::GetParent(belowEdit)), nullptr) << "below a known frame: not seen";

    ASSERT_TRUE(browser.Raise(below));
    ExpectLaidOver(WaitForTip(belowEdit, kRescanTimeout), belowEdit, false);
}

TEST_F(BrowserHookTest, ClassicMaxthonServesOnlyItsStartFrame) {
    StandInBrowser browser(L"maxthon", L"", L"maxthon.exe");
    ASSERT_TRUE(browser.IsUp());
    MainProgram main(browser.Frame());
    ASSERT_TRUE(WaitForTip(browser.Edit(), kAttachTimeout));
    HWND edit = browser.EditOf(browser.NewFrame(true));
    PumpFor(kRescanTimeout);
    EXPECT_EQ(FindAddressTip(::GetParent(edit)), nullptr) << "no rescan for classic Maxthon";
}

TEST_F(BrowserHookTest, RescanSearchesNewFramesAsTheStartFrameKind) {
    StandInBrowser browser(L"sogou");
    ASSERT_TRUE(browser.IsUp());
    MainProgram main(browser.Frame());
    ASSERT_TRUE(WaitForTip(browser.Edit(), kAttachTimeout));

    // An Internet Explorer frame in a Sogou process is searched with Sogou's recipe: no edit.
    HWND ieEdit = browser.EditOf(browser.NewFrame(true, L"ie8"));
    PumpFor(kRescanTimeout);
    EXPECT_EQ(FindAddressTip(::GetParent(ieEdit)), nullptr);
    HWND sogouEdit = browser.EditOf(browser.NewFrame(true));
    ExpectLaidOver(WaitForTip(sogouEdit, kRescanTimeout), sogouEdit, true);
}

TEST_F(BrowserHookTest, ResizedEditTakesItsTipAlong) {
    StandInBrowser browser(L"tt");
    ASSERT_TRUE(browser.IsUp());
    MainProgram main(browser.Frame());
    HWND tip = WaitForTip(browser.Edit(), kAttachTimeout);
    ASSERT_TRUE(tip);

    const RECT before = RectInParent(browser.Edit());
    ASSERT_TRUE(::SetWindowPos(browser.Edit(), nullptr, 0, 0, before.right - before.left - 100,
                               before.bottom - before.top - 4,
                               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE));
    EXPECT_TRUE(WaitUntil([&] { return RectInParent(tip).right == before.right - 100; }, 2000));
    ExpectLaidOver(tip, browser.Edit(), true);
}

TEST_F(BrowserHookTest, UnloadingGivesTheEditItsOwnProcedureBack) {
    StandInBrowser browser(L"ie8", L"--url http://example.com/");
    ASSERT_TRUE(browser.IsUp());
    MainProgram main(browser.Frame());
    ASSERT_TRUE(WaitForTip(browser.Edit(), kAttachTimeout));
    ASSERT_EQ(browser.Command(L"changed"), 1);

    EXPECT_EQ(browser.Command(L"unload"), 1);
    EXPECT_EQ(browser.Command(L"loaded"), 0);
    EXPECT_EQ(browser.Command(L"changed"), 0);
    EXPECT_EQ(FindAddressTip(::GetParent(browser.Edit())), nullptr);

    // The edit keeps working, and the browser with it.
    ::SendMessageW(browser.Edit(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"http://after/"));
    wchar_t text[64] = {};
    ::SendMessageW(browser.Edit(), WM_GETTEXT, 64, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"http://after/");
    PumpFor(300);
    EXPECT_TRUE(browser.IsRunning());
    EXPECT_EQ(browser.Command(L"changed"), 0);
}

}  // namespace
