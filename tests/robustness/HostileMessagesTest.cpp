// Hostile messages to the result windows of the real library in a stand-in browser: WM_COPYDATA
// of wrong sizes and without data from another process, the exchange's registered messages with
// absurd parameters, and foreign windows of the result class that hang or answer with garbage.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "channel/ResultMessages.h"
#include "channel/TempFileExchange.h"
#include "robustness/ServedBrowser.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"
#include "toolkit/RawWindow.h"

namespace {

class HostileMessagesTest : public ::testing::Test {
  protected:
    ScopedTempDir m_temp;
    BrowserSettings m_settings;
};

// Each is answered with 1 and changes nothing; the kept verdict stays what it was.
TEST_F(HostileMessagesTest, WrongCopyDataFromAnotherProcessChangesNothing) {
    ServedBrowser served;
    ASSERT_TRUE(served.Serve());
    for (const wchar_t* wrong :
         {L"--size 0", L"--size 1", L"--size 40", L"--null-data", L"--null-data --size 0",
          L"--null-data --size 40", L"--magic 0x6B6F716F", L"--magic 0xFFFFFFFF --size 35"}) {
        EXPECT_EQ(PushVerdict(served.ResultWindow(), kKeptAddress, L"0x09", wrong), 1) << wrong;
    }
    ExpectStillServing(served);
    ExpectUnloadsCleanly(served);
}

// A top-level window of this process that counts the messages of one kind it is sent or posted.
class MessageCounter {
  public:
    explicit MessageCounter(UINT message) {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"veko_message_counter";
        ::RegisterClassExW(&wc);
        m_hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   wc.hInstance, nullptr);
        s_message = message;
        s_count = 0;
    }
    ~MessageCounter() { ::DestroyWindow(m_hwnd); }
    HWND Get() const { return m_hwnd; }
    static int Count() { return s_count; }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == s_message) ++s_count;
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    HWND m_hwnd;
    static UINT s_message;
    static int s_count;
};
UINT MessageCounter::s_message = 0;
int MessageCounter::s_count = 0;

// Every combination is answered as the protocol says (0, 0, 1); a request on behalf of something
// that is no window (a broadcast among them) is not answered at all, and nothing is lost.
TEST_F(HostileMessagesTest, RegisteredMessagesWithAbsurdParameters) {
    ServedBrowser served;
    ASSERT_TRUE(served.Serve());
    const HWND window = served.ResultWindow();
    MessageCounter counter(ThisMyScanResultMessage());
    ASSERT_TRUE(counter.Get());

    struct Param {
        const char* what;
        WPARAM value;
    };
    const Param wParams[] = {
        {"0", 0},
        {"-1", WPARAM(-1)},
        {"0x80000000", 0x80000000},
        {"HWND_BROADCAST", reinterpret_cast<WPARAM>(HWND_BROADCAST)},
        {"a window that is no result window", reinterpret_cast<WPARAM>(served.Frame())},
        {"the window's own handle", reinterpret_cast<WPARAM>(window)},
    };
    const LPARAM lParams[] = {0, -1, LPARAM(0x80000000)};
    const struct {
        UINT message;
        const char* name;
        LRESULT answer;
    } messages[] = {{NeedYourResultMessage(), "WM_NEED_YOUR_RESULT", 0},
                    {ThisMyScanResultMessage(), "WM_THIS_MY_SCAN_RESULT", 0},
                    {NewUrlResultMessage(), "WM_NEW_URL_RESULT", 1}};
    for (const auto& m : messages) {
        for (const Param& w : wParams) {
            for (LPARAM l : lParams) {
                SCOPED_TRACE(std::string(m.name) + " wParam " + w.what + " lParam " +
                             std::to_string(l));
                DWORD_PTR answer = 0xBAD;
                ASSERT_TRUE(::SendMessageTimeoutW(window, m.message, w.value, l, SMTO_ABORTIFHUNG,
                                                  5000, &answer));
                EXPECT_EQ(answer, DWORD_PTR(m.answer));
            }
        }
    }
    PumpFor(300);
    EXPECT_EQ(MessageCounter::Count(), 0) << "answers went to a broadcast";
    ExpectStillServing(served);
    ExpectUnloadsCleanly(served);
}

// Only result windows are askers: a request on behalf of the desktop or of any other window writes
// no file and holds no genuine asker back.
TEST_F(HostileMessagesTest, OnlyResultWindowsAreAnsweredForTheirCache) {
    ServedBrowser served;
    ASSERT_TRUE(served.Serve());
    MessageCounter counter(ThisMyScanResultMessage());
    ASSERT_TRUE(counter.Get());
    for (HWND fake : {::GetDesktopWindow(), counter.Get(), served.Frame(), served.Badge()}) {
        ::PostMessageW(served.ResultWindow(), NeedYourResultMessage(),
                       reinterpret_cast<WPARAM>(fake), 0);
    }
    PumpFor(200);
    EXPECT_EQ(MessageCounter::Count(), 0) << "a window that is no result window was answered";
    EXPECT_EQ(::GetFileAttributesW(
                  CacheFilePath(reinterpret_cast<WPARAM>(served.ResultWindow())).c_str()),
              INVALID_FILE_ATTRIBUTES)
        << "a cache file was written for nobody";

    const DWORD start = ::GetTickCount();
    ResultHost genuine;
    ASSERT_TRUE(genuine.Window());
    EXPECT_TRUE(
        WaitUntil([&] { return HeldVerdict(genuine.Window(), kKeptAddress).has_value(); }, 5000));
    EXPECT_LT(::GetTickCount() - start, 1500u) << "the genuine asker was held back";
    ExpectStillServing(served);
    ExpectUnloadsCleanly(served);
}

// The owner-draw reflection is a registered message, so any process may post or send it to the
// badge, with any lParam; and a WM_DRAWITEM from another process may name any window as its item.
// The badge takes the reflection from its own parent only, and the tip reflects only to its own
// children: the browser lives on, and no pointer of the browser's reaches a window of ours.
TEST_F(HostileMessagesTest, DrawItemMessagesFromAnotherProcess) {
    ServedBrowser served;
    ASSERT_TRUE(served.Serve());
    MessageCounter counter(ReflectDrawItemMessage());
    ASSERT_TRUE(counter.Get());
    for (LPARAM junk : {LPARAM(0), LPARAM(1), LPARAM(0x20), LPARAM(-1), LPARAM(0x7FFF0000)}) {
        SCOPED_TRACE(junk);
        EXPECT_TRUE(::PostMessageW(served.Badge(), ReflectDrawItemMessage(), 0, junk));
        DWORD_PTR answer = 0;
        ::SendMessageTimeoutW(served.Badge(), ReflectDrawItemMessage(), 0, junk, SMTO_ABORTIFHUNG,
                              2000, &answer);
        PumpFor(50);
        ASSERT_TRUE(Answers(served.Browser())) << "the browser died";
    }
    for (HWND item : {counter.Get(), served.Badge(), served.Frame()}) {
        DRAWITEMSTRUCT dis = {ODT_BUTTON,     0, 0, ODA_DRAWENTIRE, 0, item, nullptr,
                              {0, 0, 10, 10}, 0};
        DWORD_PTR answer = 0;
        ::SendMessageTimeoutW(served.Tip(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis),
                              SMTO_ABORTIFHUNG, 2000, &answer);
        PumpFor(50);
        ASSERT_TRUE(Answers(served.Browser())) << "the browser died";
    }
    EXPECT_EQ(MessageCounter::Count(), 0) << "the tip reflected to a window that is not its child";
    ExpectStillServing(served);
    ExpectUnloadsCleanly(served);
}

struct PeerCase {
    const char* what;
    const wchar_t* arguments;
    bool answers;
};

// A new result window asks every window of its class, whatever program owns it: one that never
// answers or answers with nonsense costs the browser nothing.
TEST_F(HostileMessagesTest, ForeignResultWindowsThatHangOrAnswerGarbage) {
    const PeerCase cases[] = {
        {"hung: its thread sleeps", L"hang", false},
        {"answers with random bytes", L"garbage 1000", true},
        {"answers with a file that is not there", L"absent", true},
    };
    for (const PeerCase& c : cases) {
        SCOPED_TRACE(c.what);
        auto peer = ChildProcess::Start(L"hostile_peer.exe", c.arguments);
        ASSERT_TRUE(peer);
        ASSERT_EQ(peer->ReadLine(10000).rfind("window=0x", 0), 0u);

        ServedBrowser served;
        const DWORD start = ::GetTickCount();
        ASSERT_TRUE(served.Serve());
        EXPECT_LT(::GetTickCount() - start, 3000u) << "served promptly";
        if (c.answers) {
            EXPECT_EQ(peer->ReadLine(5000).rfind("asked-by=", 0), 0u) << "the peer was asked";
            PumpFor(200);  // its answer reaches the browser
        }
        ExpectStillServing(served);
        ExpectUnloadsCleanly(served);
    }
}

}  // namespace
