// A hidden result window and its verdict cache.
//
// Every result window in every process is a peer of every other, found by window class alone. A
// new one asks each peer for its whole cache; afterwards the main program pushes single verdicts
// by result file or WM_COPYDATA. The cache only grows; later deliveries overwrite earlier ones.
#pragma once

#include <windows.h>

#include "channel/ResultRecord.h"
#include "toolkit/RawWindow.h"

class CUrlScanResult : public FCMessageWindow {
  public:
    CUrlScanResult();
    ~CUrlScanResult() override;

    // The verdict for exactly this address text, when one was delivered.
    BOOL LookupVerdict(LPCWSTR addressText, UrlVerdict* out) const;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    const VerdictCache& Results() const { return m_results; }

  private:
    void AskPeers();
    void MergeCopyData(const COPYDATASTRUCT* data);

    VerdictCache m_results;
};
