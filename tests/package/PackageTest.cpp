// The release package as its users meet it: the guide's example main program, built against
// nothing but the package's header and import libraries and run from the package's bin/
// directory, hooks a stand-in browser and pushes a verdict that turns the badge red.
//
// scripts/test unpacks the archive, builds the example there and names that directory in
// VEKO_PACKAGE_BIN; VEKO_OTHER_BROWSER names the stand-in browser of the other bitness where the
// host runs both.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "support/ChildProcess.h"
#include "support/Registry.h"
#include "support/Screen.h"
#include "support/StandIns.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"

namespace {

std::wstring Environment(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? value : L"";
}

class PackageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        bin = Environment(L"VEKO_PACKAGE_BIN");
        if (bin.empty()) GTEST_SKIP() << "VEKO_PACKAGE_BIN names no unpacked package";
        if (bin.back() != L'\\') bin += L'\\';
    }

    // Starts `example` from the package with the browser's frame; true once the badge is red.
    void ExpectExampleTurnsTheBadgeRed(const std::wstring& example, const std::wstring& browser) {
        const std::wstring address = L"http://bad.example/" + example;
        StandInBrowser ie(L"ie8", L"--url " + address, browser);
        ASSERT_TRUE(ie.IsUp()) << "no stand-in browser "
                               << std::string(browser.begin(), browser.end());
        auto run =
            ChildProcess::Start(bin + example, HexText(ie.Frame()) + L" " + address + L" 0x09 20");
        ASSERT_TRUE(run) << "cannot start the example";
        // Every result window on the desktop takes the verdict: the browser's at least.
        const auto fields = ParseFields(run->ReadLine(15000));
        EXPECT_EQ(fields.count("hooked") ? fields.at("hooked") : "", "1");
        EXPECT_GE(fields.count("pushed") ? std::atoi(fields.at("pushed").c_str()) : 0, 1);
        const HWND tip = WaitForTip(ie.Edit(), 5000);
        ASSERT_TRUE(tip);
        const HWND badge = ::GetWindow(tip, GW_CHILD);
        EXPECT_TRUE(WaitUntil([&] { return LookOf(badge) == 'R'; }, 2000));
        run->Terminate();
    }

    ScopedTempDir temp;
    BrowserSettings settings;
    std::wstring bin;
};

// Linked against the MinGW import library, and against the one for MSVC's linker.
TEST_F(PackageTest, ExampleHooksABrowserOfItsBitnessAndTurnsItsBadgeRed) {
    for (const wchar_t* example : {L"example_main.exe", L"example_main_msvclib.exe"}) {
        SCOPED_TRACE(std::string(example, example + wcslen(example)));
        ExpectExampleTurnsTheBadgeRed(example, L"standin_browser.exe");
    }
}

// A 32-bit main program serves a 64-bit browser through the package's 64-bit hook host.
TEST_F(PackageTest, ExampleHooksABrowserOfTheOtherBitness) {
    const std::wstring other = Environment(L"VEKO_OTHER_BROWSER");
    if (other.empty()) GTEST_SKIP() << "no browser of the other bitness on this host";
    if (sizeof(void*) == 8) GTEST_SKIP() << "a 64-bit main program serves 64-bit browsers only";
    ExpectExampleTurnsTheBadgeRed(L"example_main.exe", other);
}

}  // namespace
