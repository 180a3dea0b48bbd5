// Real pointer input through the platform (SendInput), for tests that depend on the platform's
// own mouse tracking: capture, WM_MOUSELEAVE, WM_SETCURSOR.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

void MovePointerTo(POINT screen);
void PressLeftButton();
void ReleaseLeftButton();
// Makes WM_MOUSELEAVE come soon after the pointer left (Wine checks on the hover-time timer).
void ShortenHoverTime();

// Steps run one after another on a thread of their own, a pause after each, while the thread
// that owns the windows keeps pumping (it may be inside a nested loop of the code under test).
class InputScript {
  public:
    InputScript& Then(std::function<void()> step, DWORD pauseMs = 150);
    // Starts the steps; `Done` tells when the last pause is over.
    void Start();
    bool Done() const;
    ~InputScript();

  private:
    static DWORD WINAPI Run(void* self);
    std::vector<std::pair<std::function<void()>, DWORD>> m_steps;
    HANDLE m_thread = nullptr;
};
