// Hostile messages to the result windows of the real library in a stand-in browser: WM_COPYDATA
// of wrong sizes and without data from another process, the exchange's registered messages with
// absurd parameters, and foreign windows of the result class that hang or answer with garbage.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "channel/ResultMessages.h"
#include "robustness/ServedBrowser.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"

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

// A top-level window of this process that counts the cache answers it is sent.
class AnswerCounter {
  public:
    AnswerCounter() {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = Proc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = L"veko_answer_counter";
        ::RegisterClassExW(&wc);
        m_hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                   wc.hInstance, nullptr);
        s_answers = 0;
    }
    ~AnswerCounter() { ::DestroyWindow(m_hwnd); }
    HWND Get() const { return m_hwnd; }
    static int Answers() { return s_answers; }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == ThisMyScanResultMessage()) ++s_answers;
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    HWND m_hwnd;
    static int s_answers;
};
int AnswerCounter::s_answers = 0;

// Every combination is answered as the protocol says (0, 0, 1); a request on behalf of something
// that is no window (a broadcast among them) is not answered at all, and nothing is lost.
TEST_F(HostileMessagesTest, RegisteredMessagesWithAbsurdParameters) {
    ServedBrowser served;
    ASSERT_TRUE(served.Serve());
    const HWND window = served.ResultWindow();
    AnswerCounter counter;
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
    EXPECT_EQ(AnswerCounter::Answers(), 0) << "answers went to a broadcast";
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
