// A stand-in browser served by the real library, and the checks that every hostile case ends
// with: the browser still answers, a verdict delivered before is still there and a new one
// arrives, and unloading the library leaves nothing of it behind.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hook/HookTableRules.h"
#include "support/Registry.h"
#include "support/StandIns.h"
#include "veko.h"

constexpr DWORD kServeTimeout = 6000;
// The address whose verdict every served browser gets first, and that verdict.
constexpr const wchar_t* kKeptAddress = L"http://kept.example/";
constexpr UrlVerdict kKeptVerdict = 0x4000000A;

class ServedBrowser {
  public:
    // Starts the browser; `Serve` then hooks it. `directory`: where the stand-ins of another build
    // are (a full path with a trailing backslash); this program's own by default.
    explicit ServedBrowser(const std::wstring& kind = L"ie8", const std::wstring& options = L"",
                           const std::wstring& directory = L"");
    // Hooks the browser with the stand-in main program, waits for the address tip over the edit
    // and hands its result window the kept verdict. False when any of it did not happen.
    bool Serve();
    // Hooks the browser and only waits for the library to be in its process.
    bool HookOnly();

    StandInBrowser& Browser() { return *m_browser; }
    HWND Frame() const { return m_browser->Frame(); }
    HWND Edit() const { return m_browser->Edit(); }
    HWND Tip() const { return m_tip; }
    HWND Badge() const { return m_badge; }
    // The result window of the start edit's badge.
    HWND ResultWindow() const { return m_result; }
    HHOOK Hook() const { return m_main ? m_main->Hook() : nullptr; }
    // The edit's window procedure before the library came.
    LRESULT EditProcBefore() const { return m_editProcBefore; }

  private:
    std::wstring m_directory;
    std::unique_ptr<StandInBrowser> m_browser;
    std::unique_ptr<MainProgram> m_main;
    LRESULT m_editProcBefore = 0;
    HWND m_tip = nullptr;
    HWND m_badge = nullptr;
    HWND m_result = nullptr;
};

// The hook table file's entries, as many as it holds (100 at most).
std::vector<HookTableEntry> TableEntries(const std::wstring& path);
// The entries list `frame` for `processId`, with a hook.
bool Lists(const std::vector<HookTableEntry>& entries, HWND frame, DWORD processId);

// Sets a window's text from this process; false when the window did not answer.
bool SetText(HWND window, const std::wstring& text);

// The browser's process is there and its thread answers a message within a few seconds.
bool Answers(StandInBrowser& browser);

// The verdicts a result window holds for some addresses, as it hands them to a peer; none for an
// address it holds none for.
std::vector<std::optional<UrlVerdict>> HeldVerdicts(HWND window,
                                                    const std::vector<std::wstring>& addresses);
std::optional<UrlVerdict> HeldVerdict(HWND window, const std::wstring& address);
// How many records a result window hands to a peer; -1 when it did not answer.
long HeldCount(HWND window);

// The digest of an address text, as the library computes it.
std::wstring DigestOf(const std::wstring& address);

// The browser answers, `window` still holds the kept verdict, and a new verdict pushed to it
// arrives.
void ExpectStillServing(ServedBrowser& served, HWND window);
void ExpectStillServing(ServedBrowser& served);
// Unloading the library leaves no window and no procedure of it, and the browser answers.
void ExpectUnloadsCleanly(ServedBrowser& served);
