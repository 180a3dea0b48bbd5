// The hook table: which entry an install takes or why it is refused, and the table file as the
// library loads and rewrites it.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "hook/HookTable.h"
#include "HandleText.h"
#include "support/Library.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"
#include "veko.h"

namespace {

uint32_t Word(HWND hwnd) { return veko::HandleToField(hwnd); }

// ---- handles in 32-bit fields --------------------------------------------------------------

// A handle keeps 32 bits in the table, and comes back sign-extended: as a 64-bit process sees
// the handle of a 32-bit one, and the reverse. The tools' text carries the same values.
TEST(HandleFields, SignExtendBackAndReadTheOtherBitnesssText) {
    const intptr_t wide = static_cast<int32_t>(0x80001234u);  // 0xFFFFFFFF80001234 in 64 bits
    const HWND high = reinterpret_cast<HWND>(wide);
    EXPECT_EQ(veko::HandleToField(high), 0x80001234u);
    EXPECT_EQ(veko::FieldToHandle<HWND>(0x80001234u), high);
    EXPECT_EQ(veko::FieldToHandle<HWND>(0x7FFFFFFFu), reinterpret_cast<HWND>(intptr_t(0x7FFFFFFF)));
    EXPECT_EQ(veko::FieldToHandle<HHOOK>(0), nullptr);
    const HookTableEntry entry = {0x80001234u, 7, 0xFFFF0001u, 0};
    EXPECT_EQ(EntryWindow(entry), high);
    EXPECT_EQ(EntryHook(entry), reinterpret_cast<HHOOK>(intptr_t(int32_t(0xFFFF0001u))));

    for (const char* text : {"0x80001234", "0xFFFFFFFF80001234", "-2147478988"}) {
        EXPECT_EQ(ParseHandle<HWND>(std::string(text)), high) << text;
    }
    EXPECT_EQ(ParseHandle<HWND>(HandleText(high)), high);
    EXPECT_EQ(HandleText(high).size(), 2 + 2 * sizeof(void*));
}

// ---- choosing the entry --------------------------------------------------------------------

struct ChoiceCase {
    const char* name;
    // (index, window: 'A'/'B' live, 'D' dead, 'W' the window to install; process id)
    std::vector<std::tuple<int, char, DWORD>> listed;
    bool fillAllWithLive;
    int expected;
};

TEST(ChooseInstallEntry, FollowsTheTableRules) {
    constexpr DWORD kInstalling = 1000;
    TestWindow a, b, w, dead;
    const HWND deadHandle = dead.Get();
    dead.Destroy();
    auto handleOf = [&](char c) {
        switch (c) {
            case 'A':
                return a.Get();
            case 'B':
                return b.Get();
            case 'W':
                return w.Get();
            default:
                return deadHandle;
        }
    };
    const ChoiceCase cases[] = {
        {"empty table: first entry", {}, false, 0},
        {"live window of another process is kept", {{0, 'A', 2000}}, false, 1},
        {"dead entry of the same process is free",
         {{0, 'D', kInstalling}, {1, 'A', 2000}},
         false,
         0},
        {"lowest free entry wins", {{0, 'A', 2000}, {1, 'B', 3000}, {7, 'D', 4000}}, false, 2},
        {"window already listed", {{3, 'W', kInstalling}}, false, -1},
        {"listed far after the free entry", {{0, 'D', 2000}, {50, 'W', 2000}}, false, -1},
        {"live window of the same process", {{5, 'A', kInstalling}}, false, -1},
        {"same process, but its window died", {{0, 'A', 2000}, {1, 'D', kInstalling}}, false, 1},
        {"one hundred live windows", {}, true, -1},
    };
    for (const ChoiceCase& c : cases) {
        SCOPED_TRACE(c.name);
        HookTableEntry entries[veko::kHookTableEntries] = {};
        if (c.fillAllWithLive) {
            for (int i = 0; i < veko::kHookTableEntries; ++i)
                entries[i] = {Word(a.Get()), 2000u + i, 0, 0};
        }
        for (const auto& [index, window, process] : c.listed)
            entries[index] = {Word(handleOf(window)), process, 0, 0};
        EXPECT_EQ(ChooseInstallEntry(entries, w.Get(), kInstalling), c.expected);
    }
}

// ---- through the library's exports ----------------------------------------------------------

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
    std::ifstream in(std::string(path.begin(), path.end()), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(std::string(path.begin(), path.end()), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

HookTableEntry EntryAt(const std::vector<uint8_t>& table, int index) {
    HookTableEntry entry = {};
    if (table.size() >= (index + 1) * sizeof(entry))
        std::memcpy(&entry, table.data() + index * sizeof(entry), sizeof(entry));
    return entry;
}

class TableFileTest : public ::testing::Test {
  protected:
    std::wstring TablePath() const { return m_temp.File(veko::kHookTableFileName); }
    bool TableExists() const {
        return ::GetFileAttributesW(TablePath().c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // A table file in place before the library is loaded.
    void Prepare(std::vector<uint8_t> bytes) { WriteBytes(TablePath(), bytes); }
    static std::vector<uint8_t> TableListing(HWND window, DWORD process, size_t size = 1600) {
        std::vector<uint8_t> bytes(size, 0);
        const HookTableEntry entry = {Word(window), process, 0, 0};
        std::memcpy(bytes.data(), &entry, sizeof(entry));
        return bytes;
    }

    ScopedTempDir m_temp;
};

TEST_F(TableFileTest, InstallRecordsTheWindowAndRefusesItTheSecondTime) {
    TestWindow window;
    LoadedLibrary library;
    HHOOK hook = library.Install(window.Get());
    ASSERT_TRUE(hook);
    const HookTableEntry entry = EntryAt(ReadBytes(TablePath()), 0);
    EXPECT_EQ(entry.window, Word(window.Get()));
    EXPECT_EQ(entry.processId, ::GetCurrentProcessId());
    EXPECT_EQ(entry.hook, Word(reinterpret_cast<HWND>(hook)));
    EXPECT_EQ(entry.reserved, 0u);
    EXPECT_EQ(ReadBytes(TablePath()).size(), 1600u);

    ASSERT_TRUE(::DeleteFileW(TablePath().c_str()));
    EXPECT_EQ(library.Install(window.Get()), nullptr);
    EXPECT_FALSE(TableExists()) << "a refused install writes nothing";
}

TEST_F(TableFileTest, NullOrDeadWindowIsRefusedWithoutWriting) {
    TestWindow dead;
    const HWND deadHandle = dead.Get();
    dead.Destroy();
    LoadedLibrary library;
    EXPECT_EQ(library.Install(nullptr), nullptr);
    EXPECT_EQ(library.Install(deadHandle), nullptr);
    EXPECT_FALSE(TableExists());
}

TEST_F(TableFileTest, OneLiveHookedWindowPerProcess) {
    TestWindow first, second;
    LoadedLibrary library;
    ASSERT_TRUE(library.Install(first.Get()));
    EXPECT_EQ(library.Install(second.Get()), nullptr);
    first.Destroy();
    ASSERT_TRUE(library.Install(second.Get()));
    EXPECT_EQ(EntryAt(ReadBytes(TablePath()), 0).window, Word(second.Get()))
        << "the dead window's entry is reused";
}

TEST_F(TableFileTest, ShortFileIsIgnoredAndLongFileKeptWhole) {
    TestWindow window, other;
    {
        SCOPED_TRACE("1599 bytes listing the window: ignored");
        Prepare(TableListing(window.Get(), 4242, 1599));
        LoadedLibrary library;
        EXPECT_TRUE(library.Install(window.Get()));
        EXPECT_EQ(ReadBytes(TablePath()).size(), 1600u);
    }
    {
        SCOPED_TRACE("2000 bytes: used and saved back whole");
        std::vector<uint8_t> bytes = TableListing(other.Get(), 4242, 2000);
        std::fill(bytes.begin() + 1600, bytes.end(), 0xAB);
        Prepare(bytes);
        LoadedLibrary library;
        ASSERT_TRUE(library.Install(window.Get()));
        const std::vector<uint8_t> saved = ReadBytes(TablePath());
        ASSERT_EQ(saved.size(), 2000u);
        EXPECT_EQ(EntryAt(saved, 0).window, Word(other.Get()));
        EXPECT_EQ(EntryAt(saved, 1).window, Word(window.Get()));
        EXPECT_TRUE(std::equal(saved.begin() + 1600, saved.end(), bytes.begin() + 1600));
    }
}

TEST_F(TableFileTest, WindowListedByAnEarlierRunStaysBlocked) {
    TestWindow window;
    Prepare(TableListing(window.Get(), 4242));
    LoadedLibrary library;
    EXPECT_EQ(library.Install(window.Get()), nullptr);
}

TEST_F(TableFileTest, ReadOnlyTableIsReplacedAndNoPartialFileIsLeft) {
    Prepare(std::vector<uint8_t>(1600, 0));
    ASSERT_TRUE(::SetFileAttributesW(TablePath().c_str(), FILE_ATTRIBUTE_READONLY));
    TestWindow window;
    LoadedLibrary library;
    ASSERT_TRUE(library.Install(window.Get()));
    EXPECT_EQ(EntryAt(ReadBytes(TablePath()), 0).window, Word(window.Get()));
    EXPECT_EQ(ListDirectory(m_temp.Path()), veko::kHookTableFileName);
}

TEST_F(TableFileTest, UninstallWithoutAnEntryOfThisProcessFails) {
    LoadedLibrary library;
    EXPECT_EQ(library.Uninstall(), FALSE);
}

TEST_F(TableFileTest, HookInThisProcessIsFoundAndRemovedByUninstall) {
    TestWindow window;
    LoadedLibrary library;
    ASSERT_TRUE(library.Install(window.Get()));
    ::PostMessageW(window.Get(), WM_NULL, 0, 0);
    PumpFor(100);  // the hook procedure runs here and finds this process's entry
    EXPECT_EQ(library.Uninstall(), TRUE);
    EXPECT_EQ(library.Uninstall(), FALSE) << "the handle is forgotten";
}

}  // namespace
