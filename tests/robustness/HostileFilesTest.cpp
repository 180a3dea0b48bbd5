// Hostile files around the real library in stand-in browsers: cache files from empty to 50 MB of
// random bytes, result files that cannot be read or deleted, a hook table file that is corrupt,
// huge, read-only or cannot be written at all, and two main programs writing the table at once.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "channel/ResultMessages.h"
#include "channel/TempFileExchange.h"
#include "hook/HookTable.h"
#include "robustness/ServedBrowser.h"
#include "support/TempDir.h"
#include "support/WindowQueries.h"
#include "toolkit/Scoped.h"

namespace {

std::vector<uint8_t> RandomBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i + 4 <= size; i += 4) {
        const uint32_t word = random();
        std::memcpy(&bytes[i], &word, 4);
    }
    for (size_t i = size & ~size_t(3); i < size; ++i) bytes[i] = uint8_t(random());
    return bytes;
}

std::vector<uint8_t> RecordOf(const std::wstring& address, UrlVerdict verdict) {
    const ResultRecord record = MakeResultRecord(ComputeUrlDigest(address.c_str()), verdict);
    const auto* raw = reinterpret_cast<const uint8_t*>(&record);
    return std::vector<uint8_t>(raw, raw + sizeof(record));
}

// `count` records of well-formed, distinct digests, in no particular order.
std::vector<uint8_t> DistinctRecords(size_t count) {
    std::vector<uint8_t> bytes;
    bytes.reserve(count * sizeof(ResultRecord));
    for (size_t i = 0; i < count; ++i) {
        const std::vector<uint8_t> record =
            RecordOf(L"http://many.example/" + std::to_wstring(i), UrlVerdict(i));
        bytes.insert(bytes.end(), record.begin(), record.end());
    }
    return bytes;
}

void WriteBytes(const std::wstring& path, const std::vector<uint8_t>& bytes) {
    ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.IsValid());
    DWORD written = 0;
    if (!bytes.empty()) {
        ASSERT_TRUE(::WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
    }
    ASSERT_EQ(written, bytes.size());
}

bool Exists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The size of a file, or -1 when it is not there.
long long SizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

class HostileFilesTest : public ::testing::Test {
  protected:
    ScopedTempDir m_temp;
    BrowserSettings m_settings;
};

// ---- cache files ----------------------------------------------------------------------------

struct CacheFileCase {
    const char* what;
    std::vector<uint8_t> bytes;
    long records;
};

// A peer's answer names a cache file of any size: the browser's result window merges every full
// record, deletes the file, and goes on answering.
TEST_F(HostileFilesTest, CacheFilesOfAnySizeAreMergedAndDeleted) {
    ServedBrowser served;
    ASSERT_TRUE(served.Serve());
    const HWND window = served.ResultWindow();
    long held = HeldCount(window);
    ASSERT_EQ(held, 1) << "the kept verdict";

    constexpr size_t kFiftyMegabytes = 50u << 20;
    const CacheFileCase cases[] = {
        {"0 bytes", {}, 0},
        {"35 bytes", RandomBytes(35, 35), 0},
        {"36 x 100,000 bytes", DistinctRecords(100000), 100000},
        {"50 MB of random bytes", RandomBytes(kFiftyMegabytes, 50), long(kFiftyMegabytes / 36)},
        {"beyond any real cache: deleted unread", RandomBytes(size_t(kMaxCacheFileBytes) + 36, 64),
         0},
    };
    WPARAM answering = 0x6A000001;  // no window's handle: nothing else writes this file
    for (const CacheFileCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring path = CacheFilePath(answering);
        WriteBytes(path, c.bytes);
        ASSERT_TRUE(::PostMessageW(window, ThisMyScanResultMessage(), answering, 0));
        EXPECT_TRUE(WaitUntil([&] { return !Exists(path); }, 30000)) << "read and deleted";
        held += c.records;
        EXPECT_EQ(HeldCount(window), held) << "every full record merged, and the window answers";
        ++answering;
    }
    ExpectStillServing(served);
    ExpectUnloadsCleanly(served);
}

// ---- result files ---------------------------------------------------------------------------

struct ResultFileCase {
    const char* what;
    std::function<void(const std::wstring& path, const std::vector<uint8_t>& record)> prepare;
    bool merged;
    bool deleted;
};

// The main program's result file cannot be opened, is no file, or is read-only: the push is
// answered at once, a readable record is merged, and the browser takes the next push.
TEST_F(HostileFilesTest, ResultFilesThatCannotBeReadOrDeletedAreAnswered) {
    ServedBrowser served;
    ASSERT_TRUE(served.Serve());
    const HWND window = served.ResultWindow();
    HANDLE locked = INVALID_HANDLE_VALUE;
    const ResultFileCase cases[] = {
        {"locked by another process",
         [&](const std::wstring& path, const std::vector<uint8_t>& record) {
             WriteBytes(path, record);
             // This process is another than the browser's; it opens the file without sharing.
             locked = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
             ASSERT_NE(locked, INVALID_HANDLE_VALUE);
         },
         false, false},
        {"a directory of that name",
         [](const std::wstring& path, const std::vector<uint8_t>&) {
             ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
         },
         false, false},
        {"read-only",
         [](const std::wstring& path, const std::vector<uint8_t>& record) {
             WriteBytes(path, record);
             ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
         },
         true, true},
    };
    LPARAM second = 0;
    for (const ResultFileCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring address = L"http://result" + std::to_wstring(++second) + L".example/";
        const std::wstring path = ResultFilePath(4242, second);
        c.prepare(path, RecordOf(address, 0x0B));
        DWORD_PTR answer = 0;
        ASSERT_TRUE(::SendMessageTimeoutW(window, NewUrlResultMessage(), 4242, second,
                                          SMTO_ABORTIFHUNG, 5000, &answer));
        EXPECT_EQ(answer, 1u);
        EXPECT_EQ(HeldVerdict(window, address).has_value(), c.merged);
        EXPECT_EQ(!Exists(path), c.deleted);
    }
    ::CloseHandle(locked);
    ExpectStillServing(served);
    ExpectUnloadsCleanly(served);
}

// ---- the hook table file ----------------------------------------------------------------------

// TMP and TEMP name a directory below a file, which nobody can create, for as long as it lives.
class UnwritableTemp {
  public:
    UnwritableTemp() : m_old(CurrentTempPath()) {
        const std::wstring blocker = m_old + L"blocker";
        WriteBytes(blocker, {1});
        SetTempEnvironment(blocker + L"\\temp\\");
    }
    ~UnwritableTemp() { SetTempEnvironment(m_old); }

  private:
    std::wstring m_old;
};

struct TableCase {
    const char* what;
    std::vector<uint8_t> bytes;  // the table file before the install; none when empty
    bool readOnly;
    bool unwritableTemp;
    long long sizeAfter;  // the table file's size after the install
};

// The install never fails for the file's sake: with a readable table the browser is served and
// its entry is in the file, which keeps its length up to the largest table that is read, and is
// replaced by a table of its own beyond; where nothing can be written the hook is set but the
// browser finds no entry and is left alone.
TEST_F(HostileFilesTest, HookTableFileThatIsCorruptHugeReadOnlyOrUnwritable) {
    const auto zeroTableOf = [](size_t size) {
        std::vector<uint8_t> bytes = RandomBytes(size, unsigned(size));
        std::fill(bytes.begin(), bytes.begin() + veko::kHookTableBytes, 0);
        return bytes;
    };
    const size_t largest = size_t(kMaxTableFileBytes);
    const TableCase cases[] = {
        {"random bytes", RandomBytes(veko::kHookTableBytes, 16), false, false,
         veko::kHookTableBytes},
        {"the largest that is read", zeroTableOf(largest), false, false, (long long)largest},
        {"one byte more", zeroTableOf(largest + 1), false, false, veko::kHookTableBytes},
        {"10 MB", zeroTableOf(10u << 20), false, false, veko::kHookTableBytes},
        {"read-only", std::vector<uint8_t>(veko::kHookTableBytes, 0), true, false,
         veko::kHookTableBytes},
        {"temporary directory cannot be written", {}, false, true, -1},
    };
    for (const TableCase& c : cases) {
        SCOPED_TRACE(c.what);
        ScopedTempDir temp;
        const std::wstring table = temp.File(veko::kHookTableFileName);
        if (!c.bytes.empty()) WriteBytes(table, c.bytes);
        if (c.readOnly) ::SetFileAttributesW(table.c_str(), FILE_ATTRIBUTE_READONLY);
        std::unique_ptr<UnwritableTemp> unwritable(c.unwritableTemp ? new UnwritableTemp : nullptr);

        ServedBrowser served;
        ASSERT_TRUE(served.Browser().IsUp());
        if (c.unwritableTemp) {
            ASSERT_TRUE(served.HookOnly()) << "the hook is set, and the library comes in";
            PumpFor(1000);
            EXPECT_EQ(FindAddressTip(::GetParent(served.Edit())), nullptr);
            EXPECT_EQ(served.Browser().Command(L"changed"), 0);
            EXPECT_FALSE(Exists(table)) << "nothing was written elsewhere";
            EXPECT_TRUE(Answers(served.Browser()));
        } else {
            ASSERT_TRUE(served.Serve());
            EXPECT_EQ(SizeOf(table), c.sizeAfter);
            EXPECT_TRUE(Lists(TableEntries(table), served.Frame(), served.Browser().ProcessId()));
            ExpectStillServing(served);
        }
        ExpectUnloadsCleanly(served);
    }
}

// ---- two main programs at once ------------------------------------------------------------------

// Looks at the table file's size as often as it can until it is stopped.
class TableWatch {
  public:
    explicit TableWatch(std::wstring path) : m_path(std::move(path)) {
        m_thread = ::CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~TableWatch() { Stop(); }
    void Stop() {
        m_stop = true;
        if (m_thread) {
            ::WaitForSingleObject(m_thread, 5000);
            ::CloseHandle(m_thread);
        }
        m_thread = nullptr;
    }
    // Sizes other than "absent" and a whole table that were seen, and how many looks there were.
    long long OddSize() const { return m_odd; }
    long Looks() const { return m_looks; }

  private:
    static DWORD WINAPI Run(void* self) {
        auto* watch = static_cast<TableWatch*>(self);
        while (!watch->m_stop) {
            const long long size = SizeOf(watch->m_path);
            if (size != -1 && size != veko::kHookTableBytes) watch->m_odd = size;
            ++watch->m_looks;
        }
        return 0;
    }

    std::wstring m_path;
    HANDLE m_thread = nullptr;
    std::atomic<bool> m_stop{false};
    std::atomic<long long> m_odd{-1};
    std::atomic<long> m_looks{0};
};

// Both main programs load the library (and with it the table) first and then install at the
// same tick: the table file is whole at every moment, and ends up listing both browsers.
TEST_F(HostileFilesTest, TwoMainProgramsInstallingAtOnceKeepTheTableWhole) {
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        ScopedTempDir temp;
        StandInBrowser first(L"ie8"), second(L"ie8");
        ASSERT_TRUE(first.IsUp() && second.IsUp());
        TableWatch watch(temp.File(veko::kHookTableFileName));
        const std::wstring at = L" --hold --at " + std::to_wstring(::GetTickCount() + 700);
        auto a =
            ChildProcess::Start(L"koxQNMain.exe", L"install --hwnd " + HexText(first.Frame()) + at);
        auto b = ChildProcess::Start(L"koxQNMain.exe",
                                     L"install --hwnd " + HexText(second.Frame()) + at);
        ASSERT_TRUE(a && b);
        const auto hookA = ParseFields(a->ReadLine(10000));
        const auto hookB = ParseFields(b->ReadLine(10000));
        ASSERT_TRUE(hookA.count("hook") && hookB.count("hook"));
        EXPECT_TRUE(WaitForTip(first.Edit(), kServeTimeout)) << "the first browser is served";
        EXPECT_TRUE(WaitForTip(second.Edit(), kServeTimeout)) << "the second browser is served";
        watch.Stop();
        EXPECT_EQ(watch.OddSize(), -1) << "a table file of another size was seen";
        EXPECT_GT(watch.Looks(), 10);

        const auto entries = TableEntries(temp.File(veko::kHookTableFileName));
        EXPECT_TRUE(Lists(entries, first.Frame(), first.ProcessId()));
        EXPECT_TRUE(Lists(entries, second.Frame(), second.ProcessId()));
        EXPECT_EQ(ListDirectory(temp.Path()).find(L".new"), std::wstring::npos)
            << "no partial table is left";
        EXPECT_TRUE(Answers(first) && Answers(second));
    }
}

}  // namespace
