// The cheapest possible message hook, in a DLL of its own so that it can be set on a thread of
// another process the way the library is: the baseline of the hook cost.
#include <windows.h>

extern "C" __declspec(dllexport) LRESULT CALLBACK
    CheapestHook(int code, WPARAM wParam, LPARAM lParam) {
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}
