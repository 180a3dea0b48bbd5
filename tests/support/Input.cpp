#include "support/Input.h"

namespace {

void SendMouse(DWORD flags, POINT screen = {0, 0}) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
        const int width = ::GetSystemMetrics(SM_CXSCREEN);
        const int height = ::GetSystemMetrics(SM_CYSCREEN);
        input.mi.dx = LONG((screen.x * 65535 + (width - 1) / 2) / (width - 1));
        input.mi.dy = LONG((screen.y * 65535 + (height - 1) / 2) / (height - 1));
    }
    ::SendInput(1, &input, sizeof(input));
}

}  // namespace

void MovePointerTo(POINT screen) { SendMouse(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, screen); }
void PressLeftButton() { SendMouse(MOUSEEVENTF_LEFTDOWN); }
void ReleaseLeftButton() { SendMouse(MOUSEEVENTF_LEFTUP); }

void ShortenHoverTime() { ::SystemParametersInfoW(SPI_SETMOUSEHOVERTIME, 50, nullptr, 0); }

InputScript& InputScript::Then(std::function<void()> step, DWORD pauseMs) {
    m_steps.emplace_back(std::move(step), pauseMs);
    return *this;
}

void InputScript::Start() { m_thread = ::CreateThread(nullptr, 0, Run, this, 0, nullptr); }

bool InputScript::Done() const {
    return !m_thread || ::WaitForSingleObject(m_thread, 0) == WAIT_OBJECT_0;
}

InputScript::~InputScript() {
    if (!m_thread) return;
    ::WaitForSingleObject(m_thread, 30000);
    ::CloseHandle(m_thread);
}

DWORD WINAPI InputScript::Run(void* self) {
    for (auto& step : static_cast<InputScript*>(self)->m_steps) {
        step.first();
        ::Sleep(step.second);
    }
    return 0;
}
