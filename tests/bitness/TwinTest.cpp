// The 64-bit library and its 32-bit twin on one desktop: each refuses a frame that it could never
// be mapped into, and the table file, the verdicts and the cache exchange work across bitness.
//
// The twin's programs come from the 32-bit build of the same configuration (VEKO_TWIN_DIR). On a
// host that cannot execute 32-bit programs (VEKO_HOST_RUNS_32BIT=0) the cases are skipped, and
// say so.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "robustness/ServedBrowser.h"
#include "support/Library.h"
#include "support/Registry.h"
#include "support/StandIns.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"
#include "veko.h"

namespace {

std::wstring Environment(const wchar_t* name) {
    wchar_t value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableW(name, value, MAX_PATH);
    return length && length < MAX_PATH ? value : L"";
}

std::wstring TablePath() { return CurrentTempPath() + veko::kHookTableFileName; }

bool TableFileExists() {
    return ::GetFileAttributesW(TablePath().c_str()) != INVALID_FILE_ATTRIBUTES;
}

class TwinTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (Environment(L"VEKO_HOST_RUNS_32BIT") == L"0") {
            GTEST_SKIP() << "this host cannot execute 32-bit programs: the 32-bit twin is not met";
        }
        m_twin = Environment(L"VEKO_TWIN_DIR");
        ASSERT_FALSE(m_twin.empty()) << "VEKO_TWIN_DIR names the 32-bit build's programs";
        if (m_twin.back() != L'\\') m_twin += L'\\';
        ASSERT_NE(::GetFileAttributesW((m_twin + veko::kLibraryFileName32).c_str()),
                  INVALID_FILE_ATTRIBUTES)
            << "the 32-bit build is missing in " << std::string(m_twin.begin(), m_twin.end());
        ::DeleteFileW(TablePath().c_str());
    }
    void TearDown() override { ::DeleteFileW(TablePath().c_str()); }

    std::wstring Twin(const wchar_t* program) const { return m_twin + program; }

    BrowserSettings m_settings;
    std::wstring m_twin;
};

TEST_F(TwinTest, EachLibraryRefusesAFrameOfTheOtherBitness) {
    StandInBrowser browser32(L"ie8", L"", Twin(L"standin_browser.exe"));
    StandInBrowser browser64(L"ie8");
    ASSERT_TRUE(browser32.IsUp());
    ASSERT_TRUE(browser64.IsUp());

    {
        LoadedLibrary library64;
        ASSERT_TRUE(library64.Module());
        EXPECT_EQ(library64.Install(browser32.Frame()), nullptr);
    }
    EXPECT_FALSE(TableFileExists()) << "the 64-bit library listed a 32-bit frame";

    const MainProgramRun run =
        RunMainProgram(L"install --hwnd " + HexText(browser64.Frame()), Twin(L"koxQNMain.exe"));
    ASSERT_FALSE(run.lines.empty());
    EXPECT_EQ(HandleFromText<HHOOK>(ParseFields(run.lines[0])["hook"]), nullptr) << run.lines[0];
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_FALSE(TableFileExists()) << "the 32-bit library listed a 64-bit frame";

    // Each of its own bitness is taken.
    LoadedLibrary library64;
    EXPECT_NE(library64.Install(browser64.Frame()), nullptr);
    EXPECT_TRUE(Lists(TableEntries(TablePath()), browser64.Frame(), browser64.ProcessId()));
}

// A 64-bit main program lists its browser first, then the 32-bit one reads that table and adds its
// own: both browsers find their entries in a file that the other bitness wrote or read, and each
// takes verdicts pushed by a main program of the other bitness, by WM_COPYDATA and by file.
TEST_F(TwinTest, OneTableBothBitnessesAndVerdictsPushedAcross) {
    ServedBrowser browser64(L"ie8");
    ServedBrowser browser32(L"ie8", L"", m_twin);
    ASSERT_TRUE(browser64.Serve());
    ASSERT_TRUE(browser32.Serve());
    const std::vector<HookTableEntry> table = TableEntries(TablePath());
    EXPECT_TRUE(Lists(table, browser64.Frame(), browser64.Browser().ProcessId()));
    EXPECT_TRUE(Lists(table, browser32.Frame(), browser32.Browser().ProcessId()));

    struct Push {
        ServedBrowser* to;
        const wchar_t* program;
        const wchar_t* address;
        UrlVerdict verdict;
        const wchar_t* by;
    };
    const std::wstring main32 = Twin(L"koxQNMain.exe");
    const Push pushes[] = {
        {&browser64, main32.c_str(), L"http://copydata.example/", 0x11, L"--by copydata"},
        {&browser64, main32.c_str(), L"http://file.example/", 0x4000000A, L"--by file"},
        {&browser32, L"koxQNMain.exe", L"http://copydata.example/", 0x21, L"--by copydata"},
        {&browser32, L"koxQNMain.exe", L"http://file.example/", 0x12, L"--by file"},
    };
    for (const Push& push : pushes) {
        SCOPED_TRACE(std::string(push.by, push.by + wcslen(push.by)));
        EXPECT_EQ(PushVerdict(push.to->ResultWindow(), push.address, std::to_wstring(push.verdict),
                              push.by, push.program),
                  1);
        EXPECT_EQ(HeldVerdict(push.to->ResultWindow(), push.address), push.verdict);
    }
}

// A new result window fetches the caches of the peers of either bitness.
TEST_F(TwinTest, CachesAreExchangedBetweenBitnesses) {
    ServedBrowser browser32(L"ie8", L"", m_twin);
    ASSERT_TRUE(browser32.Serve());
    ASSERT_EQ(PushVerdict(browser32.ResultWindow(), L"http://from32.example/", L"17"), 1);

    ServedBrowser browser64(L"ie8");
    ASSERT_TRUE(browser64.Serve());
    std::optional<UrlVerdict> held;
    EXPECT_TRUE(WaitUntil(
        [&] {
            return bool(held = HeldVerdict(browser64.ResultWindow(), L"http://from32.example/"));
        },
        5000));
    EXPECT_EQ(held, UrlVerdict(17));
    ASSERT_EQ(PushVerdict(browser64.ResultWindow(), L"http://from64.example/", L"33"), 1);

    // A 32-bit result window that comes later asks both.
    auto host = ChildProcess::Start(Twin(L"result_host.exe"), L"");
    ASSERT_TRUE(host);
    const HWND late = HandleFromText<HWND>(ParseFields(host->ReadLine(10000))["window"]);
    ASSERT_TRUE(late);
    EXPECT_TRUE(
        WaitUntil([&] { return bool(held = HeldVerdict(late, L"http://from64.example/")); }, 5000));
    EXPECT_EQ(held, UrlVerdict(33));
    EXPECT_EQ(HeldVerdict(late, L"http://from32.example/"), UrlVerdict(17));
}

}  // namespace
