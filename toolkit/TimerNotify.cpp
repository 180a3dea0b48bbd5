#include "toolkit/TimerNotify.h"

#include <new>

#include "toolkit/Scoped.h"

// Constant-initialised, so it outlives every timer object with static storage.
std::unique_ptr<std::map<UINT_PTR, FCTimerNotify*>> FCTimerNotify::s_pTimerMap;
int FCTimerNotify::s_nInstances = 0;

FCTimerNotify::FCTimerNotify() {
    ++s_nInstances;
    // Timer objects are also built while the library loads: no exception may leave here.
    if (!s_pTimerMap) s_pTimerMap.reset(new (std::nothrow) std::map<UINT_PTR, FCTimerNotify*>());
}

FCTimerNotify::~FCTimerNotify() {
    KillTimer();
    if (--s_nInstances == 0) {
        s_pTimerMap.reset();
    }
}

void FCTimerNotify::StartTimer(UINT elapse) {
    KillTimer();
    m_nTimerId = ::SetTimer(nullptr, 0, elapse, TimerProc);
    if (!m_nTimerId) return;
    m_dwThreadId = ::GetCurrentThreadId();
    // A timer that cannot be listed could never reach its object: without memory, no timer.
    const bool listed = s_pTimerMap && NoThrow(false, [this] {
                            (*s_pTimerMap)[m_nTimerId] = this;
                            return true;
                        });
    if (!listed) {
        ::KillTimer(nullptr, m_nTimerId);
        m_nTimerId = 0;
    }
}

void FCTimerNotify::KillTimer() {
    if (m_nTimerId) {
        if (s_pTimerMap) s_pTimerMap->erase(m_nTimerId);
        // A thread timer belongs to its thread: elsewhere (a detach on another thread) it is only
        // forgotten, and its ticks find no object.
        if (m_dwThreadId == ::GetCurrentThreadId()) ::KillTimer(nullptr, m_nTimerId);
    }
    m_nTimerId = 0;
}

void CALLBACK FCTimerNotify::TimerProc(HWND, UINT, UINT_PTR idEvent, DWORD) {
    NoThrow([idEvent] {
        if (!s_pTimerMap) return;
        auto it = s_pTimerMap->find(idEvent);
        if (it == s_pTimerMap->end()) return;
        it->second->OnTimer();  // the iterator is not used again: OnTimer may change the table
    });
}
