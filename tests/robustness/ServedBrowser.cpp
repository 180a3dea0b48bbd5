#include "robustness/ServedBrowser.h"

#include <gtest/gtest.h>

#include <cstring>

#include "channel/UrlDigest.h"
#include "hook/HookTable.h"
#include "support/WindowQueries.h"

namespace {}  // namespace

ServedBrowser::ServedBrowser(const std::wstring& kind, const std::wstring& options,
                             const std::wstring& directory)
    : m_directory(directory),
      m_browser(
          std::make_unique<StandInBrowser>(kind, options, directory + L"standin_browser.exe")) {
    if (m_browser->IsUp()) m_editProcBefore = m_browser->Command(L"proc " + HexText(Edit()));
}

bool ServedBrowser::HookOnly() {
    if (!m_browser->IsUp()) return false;
    m_main = std::make_unique<MainProgram>(Frame(), m_directory + L"koxQNMain.exe");
    return m_main->Hook() &&
           WaitUntil([&] { return m_browser->Command(L"loaded") == 1; }, kServeTimeout);
}

bool ServedBrowser::Serve() {
    if (!HookOnly()) return false;
    m_tip = WaitForTip(Edit(), kServeTimeout);
    m_badge = m_tip ? ::GetWindow(m_tip, GW_CHILD) : nullptr;
    const std::vector<HWND> results = ResultWindowsOf(m_browser->ProcessId());
    m_result = results.size() == 1 ? results[0] : nullptr;
    return m_editProcBefore && m_badge && m_result &&
           PushVerdict(m_result, kKeptAddress, std::to_wstring(kKeptVerdict)) == 1;
}

// The table entries, as many as the file holds.
std::vector<HookTableEntry> TableEntries(const std::wstring& path) {
    std::unique_ptr<uint8_t[]> data;
    DWORD size = 0;
    ReadWholeFile(path, data, size);
    std::vector<HookTableEntry> entries(
        size / sizeof(HookTableEntry) < 100 ? size / sizeof(HookTableEntry) : 100);
    if (!entries.empty()) std::memcpy(entries.data(), data.get(), entries.size() * 16);
    return entries;
}

bool Lists(const std::vector<HookTableEntry>& entries, HWND frame, DWORD processId) {
    for (const HookTableEntry& e : entries) {
        if (EntryWindow(e) == frame && e.processId == processId && e.hook) return true;
    }
    return false;
}

bool SetText(HWND window, const std::wstring& text) {
    DWORD_PTR ignored = 0;
    return ::SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                                 SMTO_ABORTIFHUNG, 5000, &ignored) != 0;
}

bool Answers(StandInBrowser& browser) {
    DWORD_PTR ignored = 0;
    return browser.IsRunning() && browser.Command(L"loaded") != -1000 &&
           ::SendMessageTimeoutW(browser.Frame(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000,
                                 &ignored) != 0;
}

std::vector<std::optional<UrlVerdict>> HeldVerdicts(HWND window,
                                                    const std::vector<std::wstring>& addresses) {
    std::vector<std::string> digests;
    std::wstring list;
    for (const std::wstring& address : addresses) {
        const std::wstring digest = DigestOf(address);
        digests.emplace_back(digest.begin(), digest.end());
        list += (list.empty() ? L"" : L",") + digest;
    }
    std::vector<std::optional<UrlVerdict>> held(addresses.size());
    for (const std::string& line : DumpCache(window, L"--only " + list + L" --digest")) {
        const auto fields = ParseFields(line);
        if (!fields.count("record") || !fields.count("verdict")) continue;
        for (size_t i = 0; i < digests.size(); ++i) {
            if (fields.at("record") == digests[i])
                held[i] = UrlVerdict(std::stoul(fields.at("verdict"), nullptr, 16));
        }
    }
    return held;
}

std::optional<UrlVerdict> HeldVerdict(HWND window, const std::wstring& address) {
    return HeldVerdicts(window, {address})[0];
}

long HeldCount(HWND window) {
    for (const std::string& line : DumpCache(window, L"--only none")) {
        const auto fields = ParseFields(line);
        if (fields.count("records")) return std::stol(fields.at("records"));
    }
    return -1;
}

std::wstring DigestOf(const std::wstring& address) {
    const UrlDigest digest = ComputeUrlDigest(address.c_str());
    return std::wstring(digest.begin(), digest.end());
}

void ExpectStillServing(ServedBrowser& served, HWND window) {
    static int pushes = 0;
    EXPECT_TRUE(Answers(served.Browser())) << "the browser answers";
    const std::wstring fresh = L"http://fresh" + std::to_wstring(++pushes) + L".example/";
    EXPECT_EQ(PushVerdict(window, fresh, L"0x21", L"--by file"), 1);
    const auto held = HeldVerdicts(window, {kKeptAddress, fresh});
    EXPECT_EQ(held[0], kKeptVerdict) << "the kept verdict is there";
    EXPECT_EQ(held[1], 0x21u) << "a new verdict arrives";
}

void ExpectStillServing(ServedBrowser& served) {
    ExpectStillServing(served, served.ResultWindow());
}

void ExpectUnloadsCleanly(ServedBrowser& served) {
    StandInBrowser& browser = served.Browser();
    const DWORD process = browser.ProcessId();
    EXPECT_EQ(browser.Command(L"unload"), 1) << "unloaded";
    EXPECT_EQ(browser.Command(L"changed"), 0) << "every edit has its own procedure back";
    EXPECT_EQ(browser.Command(L"proc " + HexText(served.Edit())), served.EditProcBefore())
        << "the address edit has its own procedure back";
    EXPECT_EQ(FindAddressTip(::GetParent(served.Edit())), nullptr);
    EXPECT_TRUE(ResultWindowsOf(process).empty()) << "no result window is left";
    EXPECT_TRUE(WindowsOf(process, L"uis_layered_wnd_class").empty()) << "no pop-up is left";
    PumpFor(300);  // a timer of the library would fire by now
    EXPECT_TRUE(Answers(browser)) << "the browser answers after the unload";
}
