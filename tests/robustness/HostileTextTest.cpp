// Hostile text in a stand-in browser served by the real library: addresses of 100,000 characters
// and with unpaired surrogates, an edit whose text changes between its length and its text or
// that claims a length it does not have, and toolbar captions far longer than the finder reads.
// What the badge looks up shows in its colour: a verdict pushed for exactly the text that the
// library must have read turns it from green to the alarm.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "robustness/ServedBrowser.h"
#include "support/Screen.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"
#include "tipui/TipSettings.h"

namespace {

// Two ticks of the address tip and some slack.
constexpr DWORD kTickTimeout = 2500;

std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::vector<wchar_t> text(length + 1, L'\0');
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                          SMTO_ABORTIFHUNG, 5000, &ignored);
    return text.data();
}

class HostileTextTest : public ::testing::Test {
  protected:
    // Waits until the badge shows no alarm (it read a text without a verdict), pushes an alarm for
    // `expected` and waits for the badge to show it: the library looked up exactly that text.
    void ExpectLooksUp(const std::wstring& expected) {
        EXPECT_TRUE(WaitUntil([&] { return LookOf(m_served->Badge()) == 'G'; }, kTickTimeout))
            << "a new text, still without a verdict";
        ASSERT_EQ(PushVerdict(m_served->ResultWindow(), DigestOf(expected), L"0x09", L"--digest"),
                  1);
        EXPECT_TRUE(WaitUntil(
            [&] {
                const char look = LookOf(m_served->Badge());
                return look == 'R' || look == 'W';
            },
            kTickTimeout))
            << "the badge looked up exactly the expected text";
    }

    ScopedTempDir m_temp;
    BrowserSettings m_settings;
    std::unique_ptr<ServedBrowser> m_served;
};

struct TextCase {
    const char* what;
    std::wstring text;  // set into the edit; empty for none
    std::wstring lie;   // the stand-in's lie command, "off" when it tells the truth
    std::wstring seen;  // what the library must look up
};

TEST_F(HostileTextTest, AddressesOfAnyLengthAndShapeAreLookedUpAsTheyStand) {
    m_served = std::make_unique<ServedBrowser>(L"ie8", L"--url http://start.example/ --lying-edit");
    ASSERT_TRUE(m_served->Serve());
    const std::wstring longAddress = L"http://long.example/" + std::wstring(100000 - 20, L'a');
    const std::wstring longBefore = L"http://a.example/" + std::wstring(5000, L'x');
    const TextCase cases[] = {
        {"100,000 characters", longAddress, L"off", longAddress},
        {"a lone high surrogate inside and a lone low one at the end",
         L"http://lone.example/\xD800x\xDC00", L"off", L"http://lone.example/\xD800x\xDC00"},
        {"longer between its length and its text", L"",
         L"http://a.example/ http://b.example/and/then/some/more", L"http://b.example/"},
        {"shorter between its length and its text", L"", longBefore + L" http://c.example/",
         L"http://c.example/"},
    };
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_EQ(m_served->Browser().Command(L"lie " + c.lie), 1);
        if (!c.text.empty()) {
            ASSERT_TRUE(SetText(m_served->Edit(), c.text));
        }
        ExpectLooksUp(c.seen);
    }

    {
        SCOPED_TRACE("a length no buffer can hold");
        ASSERT_EQ(m_served->Browser().Command(L"lie claim 0x7FFFFFFF"), 1);
        ASSERT_TRUE(SetText(m_served->Edit(), L"http://after.example/"));
        PumpFor(1000);  // a tick of the address tip meets the claim
        EXPECT_TRUE(Answers(m_served->Browser()));
        ASSERT_EQ(m_served->Browser().Command(L"lie off"), 1);
        ExpectLooksUp(L"http://after.example/");
    }
    ExpectStillServing(*m_served);
    ExpectUnloadsCleanly(*m_served);
}

// The safety page's address with a lone surrogate in its parameter: the edit is rewritten to the
// address the page is about, and that is what the badge looks up.
TEST_F(HostileTextTest, SafetyPageAddressWithALoneSurrogate) {
    m_served = std::make_unique<ServedBrowser>(L"ie8", L"--url http://start.example/");
    ASSERT_TRUE(m_served->Serve());
    const std::wstring page = std::wstring(L"http://") + kSafetyInfoHost +
                              L"/cl/koxtarvel.html?a=1&url=http%3A%2F%2Flone.example%2F\xD800";
    ASSERT_TRUE(SetText(m_served->Edit(), page));
    std::wstring shown;
    EXPECT_TRUE(WaitUntil(
        [&] {
            shown = TextOf(m_served->Edit());
            return shown != page;
        },
        kTickTimeout));
    EXPECT_EQ(shown.rfind(L"http://lone.example/", 0), 0u);
    ExpectLooksUp(shown);
    ExpectStillServing(*m_served);
    ExpectUnloadsCleanly(*m_served);
}

BOOL CALLBACK CollectToolbar(HWND hwnd, LPARAM param) {
    if (ClassNameOf(hwnd) == L"XTPToolBar")
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(hwnd);
    return TRUE;
}

// Maxthon 2's finder compares toolbar captions with the address bar's. A toolbar before it whose
// caption starts the same but runs on far beyond what the finder reads is not taken for it.
TEST_F(HostileTextTest, LongToolbarCaptionsBeforeTheAddressBar) {
    for (size_t length : {260u, 100000u}) {
        SCOPED_TRACE("caption of " + std::to_string(length) + " characters");
        ServedBrowser served(L"maxthon2", L"--url http://start.example/");
        ASSERT_TRUE(served.Browser().IsUp());
        std::vector<HWND> toolbars;
        ::EnumChildWindows(served.Frame(), CollectToolbar, reinterpret_cast<LPARAM>(&toolbars));
        ASSERT_EQ(toolbars.size(), 3u);
        std::wstring caption = L"地址栏";
        caption.resize(length, L' ');
        ASSERT_TRUE(SetText(toolbars[0], caption));

        ASSERT_TRUE(served.Serve()) << "the address bar after it is found";
        EXPECT_EQ(::GetParent(served.Tip()), ::GetParent(served.Edit()));
        ExpectStillServing(served);
        ExpectUnloadsCleanly(served);
    }
}

}  // namespace
