// Result windows across real processes: the stand-in main program pushes verdicts and reads
// caches the way a peer does; peers in other processes and in this one exchange their caches.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "channel/ResultMessages.h"
#include "channel/UrlScanResult.h"
#include "support/StandIns.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"

namespace {

bool Lookup(const CUrlScanResult& result, const wchar_t* address, UrlVerdict* verdict) {
    return result.LookupVerdict(address, verdict) != FALSE;
}

UrlVerdict VerdictOf(const CUrlScanResult& result, const wchar_t* address) {
    UrlVerdict verdict = 0xDEADBEEF;
    result.LookupVerdict(address, &verdict);
    return verdict;
}

std::wstring ResultFilesLeft() {
    std::wstring left;
    const std::wstring all = ListDirectory(CurrentTempPath());
    for (size_t at = all.find(L"w3zd6_"); at != std::wstring::npos;
         at = all.find(L"w3zd6_", at + 1))
        left += all.substr(at, 20) + L" ";
    return left;
}

TEST(ResultWindow, IsAHiddenThreeByThreePopUpOfTheClass) {
    CUrlScanResult result;
    ASSERT_TRUE(result.GetHwnd());
    EXPECT_EQ(ClassNameOf(result.GetHwnd()), L"koxqn_address_result_wnd");
    EXPECT_FALSE(::IsWindowVisible(result.GetHwnd()));
    RECT rc = {};
    ::GetWindowRect(result.GetHwnd(), &rc);
    EXPECT_EQ(rc.right - rc.left, 3);
    EXPECT_EQ(rc.bottom - rc.top, 3);
    EXPECT_EQ(::GetWindowLongW(result.GetHwnd(), GWL_STYLE) & WS_POPUP, LONG(WS_POPUP));
    // A top-level window, as peers and the main program look for it.
    EXPECT_EQ(::GetAncestor(result.GetHwnd(), GA_PARENT), ::GetDesktopWindow());
    EXPECT_EQ(::FindWindowW(L"koxqn_address_result_wnd", nullptr), result.GetHwnd());
}

TEST(ResultWindow, DigestOfTheMainProgramMatchesOurs) {
    for (const wchar_t* address : {L"http://www.example.com/", L"http://例子.测试/路径?q=1",
                                   L"http://x/\U0001F600", L"HTTP://A"}) {
        const MainProgramRun run = RunMainProgram(std::wstring(L"digest \"") + address + L"\"");
        ASSERT_EQ(run.lines.size(), 1u);
        const UrlDigest ours = ComputeUrlDigest(address);
        EXPECT_EQ(run.lines[0], std::string(ours.begin(), ours.end()));
    }
}

TEST(ResultWindow, TakesVerdictsByFileAndByCopyData) {
    CUrlScanResult result;
    const wchar_t* bad = L"http://bad.example/";
    const wchar_t* phish = L"http://phish.example/login";
    UrlVerdict verdict = 0;

    EXPECT_EQ(PushVerdict(result.GetHwnd(), bad, L"0x0B", L"--by file"), 1);
    EXPECT_EQ(VerdictOf(result, bad), 0x0Bu);
    EXPECT_EQ(ResultFilesLeft(), L"") << "the result file is deleted";

    EXPECT_EQ(PushVerdict(result.GetHwnd(), phish, L"0x13", L"--by copydata"), 1);
    EXPECT_EQ(VerdictOf(result, phish), 0x13u);

    // Later deliveries overwrite, by either way.
    EXPECT_EQ(PushVerdict(result.GetHwnd(), bad, L"0x4000000A", L"--by copydata"), 1);
    EXPECT_EQ(VerdictOf(result, bad), 0x4000000Au);
    EXPECT_EQ(PushVerdict(result.GetHwnd(), phish, L"0x12", L"--by file --numbers 0xFFFFFFFF -1"),
              1);
    EXPECT_EQ(VerdictOf(result, phish), 0x12u);
    EXPECT_EQ(ResultFilesLeft(), L"");

    // Only the exact text finds its verdict.
    EXPECT_FALSE(Lookup(result, L"http://BAD.example/", &verdict));
    EXPECT_FALSE(Lookup(result, L"http://bad.example", &verdict));
    verdict = 77;
    EXPECT_FALSE(Lookup(result, nullptr, &verdict));
    EXPECT_EQ(verdict, 77u) << "left unchanged";
    EXPECT_EQ(result.Results().Size(), 2u);
}

TEST(ResultWindow, IgnoresMalformedCopyDataButAnswersIt) {
    CUrlScanResult result;
    const wchar_t* address = L"http://kept.example/";
    ASSERT_EQ(PushVerdict(result.GetHwnd(), address, L"9", L""), 1);
    for (const wchar_t* wrong : {L"--size 35", L"--size 37", L"--size 0", L"--magic 0x6E716F6B",
                                 L"--magic 0", L"--null-data", L"--size 35 --null-data"}) {
        EXPECT_EQ(PushVerdict(result.GetHwnd(), address, L"10", wrong), 1) << wrong;
        EXPECT_EQ(VerdictOf(result, address), 9u) << wrong;
        EXPECT_EQ(result.Results().Size(), 1u) << wrong;
    }
}

// A new result window fetches the caches of the windows that exist, in other processes and in
// its own, and then holds exactly the same records.
TEST(ResultWindow, NewWindowsFetchThePeersCache) {
    auto first = std::make_unique<CUrlScanResult>();
    for (int i = 0; i < 5; ++i) {
        const std::wstring address = L"http://site" + std::to_wstring(i) + L".example/";
        ASSERT_EQ(PushVerdict(first->GetHwnd(), address, std::to_wstring(8 * i + 1), L"--by file"),
                  1);
    }
    const std::vector<std::string> expected = DumpCache(first->GetHwnd());
    ASSERT_EQ(expected.size(), 6u);
    EXPECT_EQ(expected.back(), "records=5");

    ResultHost other;  // asks `first` at construction; this thread answers while it waits
    ASSERT_TRUE(other.Window());
    EXPECT_TRUE(WaitUntil([&] { return DumpCache(other.Window()) == expected; }, 15000));

    CUrlScanResult same;  // asks `first` and the other process
    EXPECT_TRUE(WaitUntil([&] { return same.Results() == first->Results(); }, 10000));
    EXPECT_EQ(DumpCache(same.GetHwnd()), expected);

    // The first window goes; the others keep what they fetched and still answer.
    first.reset();
    PumpFor(100);
    EXPECT_EQ(DumpCache(other.Window()), expected);
    EXPECT_EQ(ListDirectory(CurrentTempPath()).find(L"qn9m6_"), std::wstring::npos)
        << "every cache file was read and deleted";
}

// The main program can take part in the exchange with a result window of its own.
TEST(ResultWindow, FetchesFromAServingMainProgram) {
    const std::wstring list = CurrentTempPath() + L"verdicts.txt";
    {
        std::ofstream out(list.c_str());
        out << "# address verdict\nhttp://served.example/ 0x21\nhttp://blocked.example/ "
               "0x40000000\n";
    }
    auto serving = ChildProcess::Start(L"koxQNMain.exe", L"serve \"" + list + L"\"");
    ASSERT_TRUE(serving);
    ASSERT_EQ(serving->ReadLine(10000).rfind("window=0x", 0), 0u);

    CUrlScanResult result;
    EXPECT_TRUE(WaitUntil([&] { return result.Results().Size() == 2; }, 10000));
    EXPECT_EQ(VerdictOf(result, L"http://served.example/"), 0x21u);
    EXPECT_EQ(VerdictOf(result, L"http://blocked.example/"), 0x40000000u);
    const std::wstring asker = HexText(result.GetHwnd());
    EXPECT_EQ(serving->ReadLine(5000),
              "asked-by=" + std::string(asker.begin(), asker.end()) + " records=2");
}

// A result window that could not be created must not ask its peers: the request would carry a
// null handle to which no answer can go, and every peer would write a file nobody reads.
TEST(ResultWindow, WithoutAWindowItAsksNobody) {
    CUrlScanResult peer;
    ASSERT_TRUE(peer.GetHwnd());
    PumpFor(100);
    struct BlockCreation {
        static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
            if (code == HCBT_CREATEWND) return 1;
            return ::CallNextHookEx(nullptr, code, wParam, lParam);
        }
    };
    HHOOK hook = ::SetWindowsHookExW(WH_CBT, BlockCreation::Proc, nullptr, ::GetCurrentThreadId());
    ASSERT_TRUE(hook);
    auto orphan = std::make_unique<CUrlScanResult>();
    ::UnhookWindowsHookEx(hook);
    EXPECT_FALSE(orphan->GetHwnd());

    PumpFor(300);
    EXPECT_EQ(ListDirectory(CurrentTempPath()).find(L"qn9m6_"), std::wstring::npos);
    UrlVerdict verdict = 5;
    EXPECT_FALSE(orphan->LookupVerdict(L"http://any.example/", &verdict));
}

}  // namespace
