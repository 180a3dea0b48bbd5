// A real browser that we did not write: Wine's own Internet Explorer ("IEFrame", its address bar
// ComboBoxEx32 > ComboBox > Edit), of this program's bitness, started from the prefix and hooked
// by the stand-in main program. With a "6..." build the library serves it as Internet Explorer 6.
#include <windows.h>
// after windows.h
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/Badge.h"
#include "support/ChildProcess.h"
#include "support/Input.h"
#include "support/Registry.h"
#include "support/Screen.h"
#include "support/StandIns.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"
#include "tipui/TipSettings.h"
#include "veko.h"

namespace {

constexpr const wchar_t* kBadAddress = L"http://bad.example/login";
constexpr const wchar_t* kGoodAddress = L"http://good.example/";
constexpr POINT kAway = {5, 5};

std::wstring InternetExplorerPath() {
    wchar_t path[MAX_PATH] = {};
    ::ExpandEnvironmentStringsW(L"%ProgramFiles%\\Internet Explorer\\iexplore.exe", path, MAX_PATH);
    return path;
}

struct FrameSearch {
    DWORD processId;
    HWND frame;
};

BOOL CALLBACK MatchFrame(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<FrameSearch*>(param);
    DWORD processId = 0;
    ::GetWindowThreadProcessId(hwnd, &processId);
    if (processId != search->processId || ClassNameOf(hwnd) != L"IEFrame") return TRUE;
    if (!::IsWindowVisible(hwnd)) return TRUE;
    search->frame = hwnd;
    return FALSE;
}

// The edit of the address bar: the browser's only ComboBoxEx32, its ComboBox, that one's Edit.
HWND AddressEditOf(HWND frame) {
    HWND rebar = ::FindWindowExW(frame, nullptr, L"ReBarWindow32", nullptr);
    HWND comboEx = ::FindWindowExW(rebar, nullptr, L"ComboBoxEx32", nullptr);
    HWND combo = ::FindWindowExW(comboEx, nullptr, L"ComboBox", nullptr);
    return ::FindWindowExW(combo, nullptr, L"Edit", nullptr);
}

bool ModuleLoadedIn(DWORD processId, const wchar_t* name) {
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    MODULEENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = ::Module32FirstW(snapshot, &entry); more && !found;
         more = ::Module32NextW(snapshot, &entry)) {
        found = ::lstrcmpiW(entry.szModule, name) == 0;
    }
    ::CloseHandle(snapshot);
    return found;
}

bool IsWow64(DWORD processId) {
    HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    BOOL wow64 = FALSE;
    if (process) {
        ::IsWow64Process(process, &wow64);
        ::CloseHandle(process);
    }
    return wow64 != FALSE;
}

// Wine's iexplore.exe, showing about:blank, ended when the object goes.
class InternetExplorer {
  public:
    InternetExplorer() : m_process(ChildProcess::Start(InternetExplorerPath(), L"about:blank")) {
        FrameSearch search = {m_process ? m_process->ProcessId() : 0, nullptr};
        WaitUntil(
            [&] {
                ::EnumWindows(MatchFrame, reinterpret_cast<LPARAM>(&search));
                return search.frame && AddressEditOf(search.frame);
            },
            15000);
        m_frame = search.frame;
        m_edit = m_frame ? AddressEditOf(m_frame) : nullptr;
    }
    ~InternetExplorer() {
        if (m_process && m_process->IsRunning()) m_process->Terminate();
    }
    bool IsUp() const { return m_edit != nullptr; }
    HWND Frame() const { return m_frame; }
    HWND Edit() const { return m_edit; }
    DWORD ProcessId() const { return m_process->ProcessId(); }
    ChildProcess& Process() { return *m_process; }
    // True when the browser's thread answers a message within a second.
    bool Answers() const {
        DWORD_PTR ignored = 0;
        return ::SendMessageTimeoutW(m_frame, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored);
    }
    bool SetAddress(const std::wstring& text) const {
        DWORD_PTR ok = 0;
        return ::SendMessageTimeoutW(m_edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                     SMTO_ABORTIFHUNG, 2000, &ok) &&
               ok;
    }
    std::wstring Address() const {
        wchar_t text[512] = {};
        DWORD_PTR length = 0;
        ::SendMessageTimeoutW(m_edit, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text),
                              SMTO_ABORTIFHUNG, 2000, &length);
        return text;
    }

  private:
    std::unique_ptr<ChildProcess> m_process;
    HWND m_frame = nullptr;
    HWND m_edit = nullptr;
};

class InternetExplorerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        MovePointerTo(kAway);
        ie = std::make_unique<InternetExplorer>();
        ASSERT_TRUE(ie->IsUp()) << "Wine's Internet Explorer did not start";
        EXPECT_EQ(IsWow64(ie->ProcessId()), IsWow64(::GetCurrentProcessId()))
            << "the browser is of another bitness than this program";
    }
    void TearDown() override { MovePointerTo(kAway); }

    // Hooks the browser by the stand-in main program and waits for the badge to be laid out.
    void Serve() {
        main = std::make_unique<MainProgram>(ie->Frame());
        ASSERT_TRUE(main->Hook());
        ASSERT_TRUE(WaitUntil(
            [&] {
                tip = FindAddressTip(::GetParent(ie->Edit()));
                badge = tip ? ::GetWindow(tip, GW_CHILD) : nullptr;
                return badge && ::IsWindowVisible(tip) && RectInParent(tip).left >= 0;
            },
            8000))
            << "the browser was not served";
    }

    // Pushes one verdict for `address` to every result window by `how`; how many took it.
    int Push(const std::wstring& address, const std::wstring& verdict, const wchar_t* how) {
        const MainProgramRun run =
            RunMainProgram(L"push \"" + address + L"\" " + verdict + L" --by " + how);
        return run.lines.empty() ? -1 : std::stoi(run.lines.back().substr(7));
    }

    void ExpectBadgeOverTheRightEndOfTheEdit() {
        const RECT t = RectInParent(tip);
        const RECT e = RectInParent(ie->Edit());
        const RECT parent = ClientRectOf(::GetParent(ie->Edit()));
        EXPECT_EQ(::GetParent(tip), ::GetParent(ie->Edit()));
        EXPECT_EQ(t.right, e.right);
        EXPECT_EQ(t.right - t.left, 30);
        EXPECT_EQ(t.top, (parent.bottom - 14) / 2);
        EXPECT_EQ(t.bottom - t.top, 14);
        EXPECT_TRUE(WaitUntil([&] { return LookOf(badge) == 'G'; }, 1500)) << "not painted green";
    }

    ScopedTempDir temp;
    BrowserSettings settings;
    ScopedRegistryValue build = ScopedRegistryValue::String(
        veko::kInternetExplorerKey, veko::kInternetExplorerBuildValue, L"60001");
    std::unique_ptr<InternetExplorer> ie;
    std::unique_ptr<MainProgram> main;
    HWND tip = nullptr;
    HWND badge = nullptr;
};

TEST_F(InternetExplorerTest, BadgeLiesOverTheRightEndOfTheAddressBarAndFollowsItsSize) {
    Serve();
    ExpectBadgeOverTheRightEndOfTheEdit();
    const RECT before = RectInParent(ie->Edit());
    RECT frame;
    ::GetWindowRect(ie->Frame(), &frame);
    ASSERT_TRUE(::SetWindowPos(ie->Frame(), nullptr, 0, 0, frame.right - frame.left - 150,
                               frame.bottom - frame.top, SWP_NOMOVE | SWP_NOZORDER));
    ASSERT_TRUE(WaitUntil([&] { return RectInParent(ie->Edit()).right != before.right; }, 3000))
        << "the browser did not size its address bar";
    EXPECT_TRUE(
        WaitUntil([&] { return RectInParent(tip).right == RectInParent(ie->Edit()).right; }, 2000));
    PumpFor(900);
    ExpectBadgeOverTheRightEndOfTheEdit();
}

// The address the browser shows is looked up: a pushed verdict turns the badge red, and the next
// address, of which nothing is known, shows green again.
TEST_F(InternetExplorerTest, PushedVerdictTurnsTheBadgeRedAndTheNextAddressGreen) {
    Serve();
    for (const wchar_t* how : {L"file", L"copydata"}) {
        SCOPED_TRACE(how);
        const std::wstring address = std::wstring(kBadAddress) + L"/" + how;
        ASSERT_TRUE(ie->SetAddress(address));
        PumpFor(900);  // one tick: the badge has read the address
        ASSERT_EQ(Push(address, L"0x09", how), 1) << "one result window, the browser's";
        EXPECT_TRUE(WaitUntil([&] { return LookOf(badge) == 'R'; }, 2000));
        EXPECT_TRUE(WaitUntil([&] { return LookOf(badge) == 'W'; }, 1500)) << "flashing";
        ASSERT_TRUE(ie->SetAddress(kGoodAddress));
        EXPECT_TRUE(WaitUntil([&] { return LookOf(badge) == 'G'; }, 2000));
    }
}

// The product's safety page shown in the address bar is replaced by the address it is about.
TEST_F(InternetExplorerTest, SafetyPageInTheAddressBarIsRepaired) {
    Serve();
    const std::wstring page = std::wstring(L"http://") + kSafetyInfoHost +
                              L"/cl/koxtarvel.html?t=3&url=http%3A%2F%2Fbad.example%2Fx%3Fq%3D1";
    ASSERT_TRUE(ie->SetAddress(page));
    EXPECT_TRUE(WaitUntil([&] { return ie->Address() == L"http://bad.example/x?q=1"; }, 2000));
}

#ifndef VEKO_COMPACT
TEST_F(InternetExplorerTest, ClickOnTheBadgeOpensThePopUpOverTheBrowserAndItsActionsWork) {
    Serve();
    ExpectClickOpensPopUpWhoseElementsWork(badge);
}
#else
TEST_F(InternetExplorerTest, PressOnTheCompactBadgeStartsTheMainProgram) {
    Serve();
    ExpectPressesStartTheMainProgram(badge);
}
#endif

// Internet Explorer 7 and 8 have their address edit under "Address Band Root", which this frame
// has not: the library comes in and attaches nothing, and the browser goes on as before.
TEST_F(InternetExplorerTest, AsInternetExplorer7Or8NothingAttaches) {
    for (const wchar_t* value : {L"7000", L"8001"}) {
        SCOPED_TRACE(std::string(value, value + 4));
        auto as = ScopedRegistryValue::String(veko::kInternetExplorerKey,
                                              veko::kInternetExplorerBuildValue, value);
        if (!ie) ie = std::make_unique<InternetExplorer>();
        ASSERT_TRUE(ie->IsUp());
        MainProgram hooking(ie->Frame());
        ASSERT_TRUE(hooking.Hook());
        EXPECT_TRUE(WaitUntil(
            [&] { return ModuleLoadedIn(ie->ProcessId(), veko::kLibraryFileName); }, 5000));
        PumpFor(2500);
        EXPECT_EQ(FindAddressTip(::GetParent(ie->Edit())), nullptr);
        EXPECT_TRUE(ie->SetAddress(kGoodAddress));
        EXPECT_EQ(ie->Address(), kGoodAddress);
        EXPECT_TRUE(ie->Answers());
        ie.reset();
    }
}

// Closing the browser's window while the badge is on it ends the browser's process, and cleanly.
TEST_F(InternetExplorerTest, ClosingTheServedBrowserEndsItsProcessCleanly) {
    Serve();
    ::PostMessageW(ie->Frame(), WM_CLOSE, 0, 0);
    DWORD exitCode = 0xFFFF;
    ASSERT_TRUE(ie->Process().Wait(10000, &exitCode)) << "the browser did not end";
    EXPECT_EQ(exitCode, 0u);
}

// The main program ends, and its hook with it: the browser works on. Whether the library leaves
// at once is the platform's choice (Windows frees a hook's module at the thread's next message,
// and the library takes its badge away; Wine keeps the module): a badge that stays still works.
// A main program started again, having deleted the earlier run's table as the guide says, hooks
// the browser again, and it has one badge, not two.
TEST_F(InternetExplorerTest, MainProgramEndingAndStartingAgainLeavesTheBrowserWorking) {
    Serve();
    main->Stop();
    for (int i = 0; i < 5; ++i) ::PostMessageW(ie->Frame(), WM_NULL, 0, 0);
    PumpFor(1000);
    EXPECT_TRUE(ie->Answers());
    const std::wstring address = std::wstring(kBadAddress) + L"/after";
    EXPECT_TRUE(ie->SetAddress(address));
    EXPECT_EQ(ie->Address(), address);
    EXPECT_TRUE(ie->Process().IsRunning());

    ASSERT_TRUE(::DeleteFileW(temp.File(veko::kHookTableFileName).c_str()));
    Serve();
    PumpFor(900);
    ASSERT_EQ(Push(address, L"0x09", L"copydata"), 1) << "one result window";
    EXPECT_TRUE(WaitUntil([&] { return LookOf(badge) == 'R'; }, 2000));
    int tips = 0;
    for (HWND child = ::GetWindow(::GetParent(ie->Edit()), GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        tips += ClassNameOf(child) == veko::kAddressTipClass;
    }
    EXPECT_EQ(tips, 1);
}

}  // namespace
