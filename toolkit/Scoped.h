// Small owners for Win32 handles and a guard that keeps C++ exceptions inside our callbacks.
#pragma once

#include <windows.h>

#include <type_traits>

// A kernel handle we own; INVALID_HANDLE_VALUE is kept as "none" by callers that test IsValid.
class ScopedHandle {
  public:
    explicit ScopedHandle(HANDLE h = INVALID_HANDLE_VALUE) : m_h(h) {}
    ~ScopedHandle() {
        if (IsValid()) ::CloseHandle(m_h);
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE Get() const { return m_h; }
    bool IsValid() const { return m_h && m_h != INVALID_HANDLE_VALUE; }
    void Reset(HANDLE h) {
        if (IsValid()) ::CloseHandle(m_h);
        m_h = h;
    }

  private:
    HANDLE m_h;
};

// A critical section with scoped locking; the lock is held only around short map operations.
class CriticalSection {
  public:
    CriticalSection() { ::InitializeCriticalSection(&m_cs); }
    ~CriticalSection() { ::DeleteCriticalSection(&m_cs); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;
    void Enter() { ::EnterCriticalSection(&m_cs); }
    void Leave() { ::LeaveCriticalSection(&m_cs); }

  private:
    CRITICAL_SECTION m_cs;
};

class ScopedLock {
  public:
    explicit ScopedLock(CriticalSection& cs) : m_cs(cs) { m_cs.Enter(); }
    ~ScopedLock() { m_cs.Leave(); }
    ScopedLock(const ScopedLock&) = delete;
    ScopedLock& operator=(const ScopedLock&) = delete;

  private:
    CriticalSection& m_cs;
};

// Runs `fn` and returns its result; any exception ends here and yields `fallback`. Every window,
// hook and timer procedure and every export goes through this: the browser's frames are above us.
template <typename Fn, typename R = std::invoke_result_t<Fn>>
R NoThrow(R fallback, Fn&& fn) noexcept {
    try {
        return fn();
    } catch (...) {
        return fallback;
    }
}

template <typename Fn>
void NoThrow(Fn&& fn) noexcept {
    try {
        fn();
    } catch (...) {
    }
}

// The module this code is linked into (veko.dll in the library, the test program in unit tests).
extern "C" IMAGE_DOS_HEADER __ImageBase;
inline HINSTANCE ThisModule() { return reinterpret_cast<HINSTANCE>(&__ImageBase); }

// Keeps this module loaded until the process ends. A message loop of ours (or one that runs while
// our code is on the stack) may dispatch the message on which the library is released; the
// loop, and every frame of ours below it, must then still have code to return to.
inline void KeepThisModuleLoaded() {
    HMODULE module = nullptr;
    ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                         reinterpret_cast<LPCWSTR>(&__ImageBase), &module);
}
