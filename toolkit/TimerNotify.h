// Periodic callbacks for objects without a window of their own.
//
// Thread timers (SetTimer without a window) and one process-wide table from timer id to object;
// the single TimerProc looks the id up and calls OnTimer. Everything runs on the thread that
// started the timer and whose message loop delivers WM_TIMER.
#pragma once

#include <windows.h>

#include <map>
#include <memory>

class FCTimerNotify {
  public:
    FCTimerNotify();
    virtual ~FCTimerNotify();
    virtual void OnTimer() = 0;

    // Stops a running timer of this object, then starts a new one (always with a fresh id).
    void StartTimer(UINT elapse);
    // Safe when no timer runs and from inside OnTimer.
    void KillTimer();
    UINT_PTR GetTimerId() const { return m_nTimerId; }

    // The table is there exactly while at least one object exists.
    static const std::map<UINT_PTR, FCTimerNotify*>* TimerMap() { return s_pTimerMap.get(); }

    FCTimerNotify(const FCTimerNotify&) = delete;
    FCTimerNotify& operator=(const FCTimerNotify&) = delete;

  private:
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR idEvent, DWORD);

    UINT_PTR m_nTimerId = 0;
    DWORD m_dwThreadId = 0;  // the thread that started the timer

    static std::unique_ptr<std::map<UINT_PTR, FCTimerNotify*>> s_pTimerMap;
    static int s_nInstances;
};
