// A hidden result window and its verdict cache.
//
// Every result window in every process is a peer of every other, found by window class alone. A
// new one asks each peer for its whole cache; afterwards the main program pushes single verdicts
// by result file or WM_COPYDATA. The cache only grows; later deliveries overwrite earlier ones.
//
// A window's cache file has one name, and each asker deletes it once read: a window answers one
// asker at a time, and those who ask meanwhile wait until the last answer has been read.
#pragma once

#include <windows.h>

#include <deque>

#include "channel/ResultRecord.h"
#include "toolkit/RawWindow.h"
#include "toolkit/TimerNotify.h"

class CUrlScanResult : public FCMessageWindow {
  public:
    CUrlScanResult();
    ~CUrlScanResult() override;

    // The verdict for exactly this address text, when one was delivered.
    BOOL LookupVerdict(LPCWSTR addressText, UrlVerdict* out) const;
    // The same for the address shown: the listener is told when a later delivery changes what
    // this lookup found (deliveries for other addresses tell it nothing).
    BOOL LookupShownVerdict(LPCWSTR addressText, UrlVerdict* out);
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    const VerdictCache& Results() const { return m_results; }

    // After a delivery changes the verdict of the address shown, `message` is posted to
    // `listener` (one post until the listener says it took it up with VerdictsTakenUp).
    void SetVerdictListener(HWND listener, UINT message);
    void VerdictsTakenUp() { m_bListenerNotified = false; }

  private:
    class CTimerNextAnswer : public FCTimerNotify {
      public:
        explicit CTimerNextAnswer(CUrlScanResult* owner) : m_pOwner(owner) {}
        void OnTimer() override { m_pOwner->AnswerWaitingAskers(); }

      private:
        CUrlScanResult* m_pOwner;
    };

    void AskPeers();
    void MergeCopyData(const COPYDATASTRUCT* data);
    void OnNeedYourResult(HWND asker);
    void Answer(HWND asker);
    // True while the cache file of the last answer is there and its asker may still read it.
    bool LastAnswerUnread() const;
    void AnswerWaitingAskers();
    void NotifyListener();

    VerdictCache m_results;
    std::deque<HWND> m_waitingAskers;
    HWND m_hWndLastAsker = nullptr;
    bool m_bLastAskerOfThisThread = false;
    DWORD m_dwLastAnswerTick = 0;
    CTimerNextAnswer m_nextAnswer{this};
    // The address shown, as its key, and what its last lookup found.
    VerdictCache::PackedKey m_shownDigest = {};
    bool m_bShown = false;
    bool m_bShownFound = false;
    UrlVerdict m_shownVerdict = 0;
    HWND m_hWndListener = nullptr;
    UINT m_nListenerMessage = 0;
    bool m_bListenerNotified = false;
};
