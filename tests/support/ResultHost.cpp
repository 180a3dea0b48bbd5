// A process that owns result windows of the library, for tests that need a peer in another
// process: prints "window=0x.." for the window it creates at start and then serves messages
// until it is ended.
#include <windows.h>

#include <cstdio>

#include "channel/UrlScanResult.h"

int main() {
    CUrlScanResult result;
    std::printf("window=0x%08lX\n",
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(result.GetHwnd())));
    std::fflush(stdout);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}
