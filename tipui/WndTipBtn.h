// The shield badge at the right end of the address edit.
//
// It looks the address that the address tip hands it up in its own result window's cache,
// chooses its picture (safe, alarm, monitoring off), flashes once when an address is first
// found dangerous, and opens the pop-up tip on a click or after the pointer rested on it for
// 700 ms. The compact library has no pop-up: a press on the badge starts the main program.
#pragma once

#include <windows.h>

#include <memory>
#include <set>
#include <string>

#include "channel/UrlScanResult.h"
#include "tipui/TipMessages.h"
#include "image/ObjImage.h"
#include "toolkit/RawButton.h"
#include "toolkit/TimerNotify.h"

#ifndef VEKO_COMPACT
class CWndPopTip;
#endif

enum TipState { TipStateNone = 0, TipStateAlarm = 1 };

class CWndTipBtn : public FCRawButton {
  public:
    CWndTipBtn(int, HWND hwndEdit);
    ~CWndTipBtn() override;

    // One frame of the badge pictures (each picture is a strip of three).
    SIZE GetFrameSize() const;
    // Called with the address bar's text on every tick of the address tip.
    void UpdateAddress(const wchar_t* address);
    // From now on verdicts for the address shown are taken up as soon as they come, not only at
    // the next tick (the badge's window must exist).
    void TakeUpVerdictsAtOnce() { m_scanResult.SetVerdictListener(m_hWnd, UM_NEW_VERDICTS); }
    int GetState() const { return m_nState; }
    bool IsFlashing() const { return m_pFlashTimer && m_pFlashTimer->GetTimerId() != 0; }
    const CUrlScanResult& GetScanResult() const { return m_scanResult; }

#ifndef VEKO_COMPACT
    void ShowPopTip();
    void RaisePopTip();
    CWndPopTip* GetPopTip() const { return m_pPopTip.get(); }
    int GetPopBackgroundId() const { return m_nPopBackgroundId; }
    int GetPopTextId() const { return m_nPopTextId; }
#endif

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // A `width` x `height` rectangle centred in `rc`, shrunk to fit it; empty for empty input.
    static RECT CenterFitRect(int width, int height, RECT rc);

  protected:
    void DrawButton(HDC hdc, RECT rc) override;
    void OnMouseEnter() override;
    void OnMouseLeave() override;

  private:
    class CTimerFlashTip : public FCTimerNotify {
      public:
        explicit CTimerFlashTip(CWndTipBtn* owner) : m_pOwner(owner) { StartTimer(500); }
        void OnTimer() override;
        int GetCount() const { return m_nCount; }

      private:
        CWndTipBtn* m_pOwner;
        int m_nCount = 0;
    };

    class CTimerDelayPopTip : public FCTimerNotify {
      public:
        explicit CTimerDelayPopTip(CWndTipBtn* owner) : m_pOwner(owner) { StartTimer(700); }
        void OnTimer() override;

      private:
        CWndTipBtn* m_pOwner;
    };

    void LoadBadgeImages();
    // The alarm decision for a verdict; also picks the pop-up's pictures.
    void ApplyVerdict(UrlVerdict verdict);
    const FCObjImage& ImageToDraw() const;
    void OnLeftButtonDown(LPARAM lParam);

    CUrlScanResult m_scanResult;
#ifndef VEKO_COMPACT
    std::unique_ptr<CWndPopTip> m_pPopTip;
#endif
    std::wstring m_strAddress;
    std::unique_ptr<UrlVerdict> m_pLastVerdict;
    std::set<std::wstring> m_setFlashed;
    HWND m_hWndEdit;
    FCObjImage m_imgSafe;
    FCObjImage m_imgAlarm;
    FCObjImage m_imgMonitorOff;
    FCObjImage m_imgBlank;
    int m_nState = TipStateNone;
#ifndef VEKO_COMPACT
    int m_nPopBackgroundId = 310;
    int m_nPopTextId = 0;
#endif
    std::unique_ptr<CTimerFlashTip> m_pFlashTimer;
    std::unique_ptr<CTimerDelayPopTip> m_pDelayTimer;
    bool m_bMonitorOffShown = false;
};
