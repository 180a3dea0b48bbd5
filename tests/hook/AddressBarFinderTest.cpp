// The address-bar finders on the stand-in browser's frames (built in this process) and on small
// frames made to trip each recipe.
#include <gtest/gtest.h>

#include <initializer_list>

#include "hook/AddressBarFinder.h"
#include "support/WindowQueries.h"
#include "tools/browser/BrowserLayouts.h"

namespace {

class Finder : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { RegisterLayoutClasses(); }
    void TearDown() override {
        for (HWND frame : m_frames) ::DestroyWindow(frame);
    }

    BuiltFrame Layout(const wchar_t* kind, std::vector<int> ie6Widths = {}) {
        BuiltFrame built = BuildFrame(FrameOptions{kind, L"http://x/", ie6Widths}, POINT{0, 0});
        m_frames.push_back(built.frame);
        return built;
    }
    HWND Frame(const wchar_t* cls) {
        HWND frame = ::CreateWindowExW(0, cls, L"", WS_POPUP, 0, 0, 800, 100, nullptr, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr);
        m_frames.push_back(frame);
        return frame;
    }
    static HWND Child(HWND parent, const wchar_t* cls, int width = 100, const wchar_t* text = L"") {
        return ::CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE, 0, 0, width, 20, parent,
                                 nullptr, ::GetModuleHandleW(nullptr), nullptr);
    }

    std::vector<HWND> m_frames;
};

TEST_F(Finder, FindsTheAddressEditOfEveryLayout) {
    struct Case {
        const wchar_t* layout;
        BrowserKind kind;
    };
    for (const Case& c :
         {Case{L"ie8", BrowserIE8}, Case{L"ie7", BrowserIE7}, Case{L"ie6", BrowserIE6},
          Case{L"maxthon", BrowserMaxthon}, Case{L"maxthon2", BrowserMaxthon2},
          Case{L"sogou", BrowserSogou}, Case{L"tt", BrowserTT}}) {
        SCOPED_TRACE(testing::Message() << "kind " << c.kind);
        const BuiltFrame built = Layout(c.layout);
        ASSERT_TRUE(built.addressEdit);
        EXPECT_GE(built.edits.size(), 2u) << "decoys beside the address edit";
        EXPECT_EQ(FindAddressEdit(c.kind, built.frame), built.addressEdit);
        EXPECT_EQ(FindAddressEdit(BrowserUnknown, built.frame), nullptr);
    }
}

TEST_F(Finder, ClassNamesCompareWithoutCase) {
    const BuiltFrame maxthon = Layout(L"maxthon");
    EXPECT_EQ(ClassNameOf(maxthon.addressEdit), L"EDIT");
    EXPECT_EQ(FindAddressEdit(BrowserMaxthon, maxthon.frame), maxthon.addressEdit);
}

TEST_F(Finder, InternetExplorerTakesWhateverEditComesFirstOrLast) {
    HWND frame = Frame(L"IEFrame");
    HWND early = Child(frame, L"Edit");
    HWND band = Child(frame, L"Address Band Root");
    Child(band, L"Edit");
    HWND combo = Child(frame, L"ComboBoxEx32");
    HWND late = Child(combo, L"Edit");
    EXPECT_EQ(FindAddressEdit(BrowserIE8, frame), early);
    EXPECT_EQ(FindAddressEdit(BrowserIE7, frame), early);
#ifdef VEKO_COMPACT
    EXPECT_EQ(FindAddressEdit(BrowserIE6, frame), early) << "widest; equal widths: the first";
    (void)late;
#else
    EXPECT_EQ(FindAddressEdit(BrowserIE6, frame), late);
#endif
}

TEST_F(Finder, ContainerMustExistSomewhereUnderTheFrame) {
    HWND frame = Frame(L"IEFrame");
    Child(frame, L"Edit");
    Child(frame, L"Edit");
    EXPECT_EQ(FindAddressEdit(BrowserIE8, frame), nullptr) << "no Address Band Root";
    EXPECT_EQ(FindAddressEdit(BrowserIE7, frame), nullptr);
    EXPECT_EQ(FindAddressEdit(BrowserIE6, frame), nullptr) << "no ComboBoxEx32";
}

TEST_F(Finder, MaxthonAndTTNeedTwoEdits) {
    HWND frame = Frame(L"IEFrame");
    HWND first = Child(frame, L"Edit");
    EXPECT_EQ(FindAddressEdit(BrowserMaxthon, frame), nullptr);
    EXPECT_EQ(FindAddressEdit(BrowserTT, frame), nullptr);
    Child(frame, L"Edit");
    HWND last = Child(frame, L"Edit");
    EXPECT_EQ(FindAddressEdit(BrowserMaxthon, frame), last);
    EXPECT_EQ(FindAddressEdit(BrowserTT, frame), first);
}

TEST_F(Finder, Maxthon2LooksOnlyInTheFirstAddressToolbar) {
    HWND frame = Frame(L"Maxthon2_Frame");
    Child(Child(frame, L"XTPToolBar", 100, L"菜单栏"), L"RichEdit20W");
    EXPECT_EQ(FindAddressEdit(BrowserMaxthon2, frame), nullptr) << "no toolbar with the caption";
    Child(frame, L"XTPToolBar", 100, L"地址栏");
    Child(Child(frame, L"XTPToolBar", 100, L"地址栏"), L"RichEdit20W");
    EXPECT_EQ(FindAddressEdit(BrowserMaxthon2, frame), nullptr)
        << "the first captioned toolbar holds no rich edit: the second is not looked at";
}

TEST_F(Finder, InternetExplorer6EditChoice) {
    struct Case {
        std::vector<int> widths;
        int expectedIndex;  // -1: none
    };
#ifdef VEKO_COMPACT
    // The compact library takes the widest edit; the earlier one on equal widths.
    const Case cases[] = {{{100, 300}, 1}, {{300, 100}, 0}, {{200, 200}, 0}, {{0, 0}, -1}};
#else
    // The full library takes the last edit collected.
    const Case cases[] = {{{100, 300}, 1}, {{300, 100}, 1}, {{200, 200}, 1}, {{0, 0}, 1}};
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.widths[0] << " and " << c.widths[1]);
        const BuiltFrame built = Layout(L"ie6", c.widths);
        ASSERT_EQ(built.edits.size(), 2u);
        const HWND expected = c.expectedIndex < 0 ? nullptr : built.edits[c.expectedIndex];
        EXPECT_EQ(FindAddressEdit(BrowserIE6, built.frame), expected);
    }
}

TEST_F(Finder, DeadFrameYieldsNothing) {
    HWND frame = Frame(L"_____TTFrameWnd__101__");
    Child(frame, L"Edit");
    Child(frame, L"Edit");
    ::DestroyWindow(frame);
    EXPECT_EQ(FindAddressEdit(BrowserTT, frame), nullptr);
}

}  // namespace
