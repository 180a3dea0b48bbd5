// A process that owns result windows of the library, for tests that need a peer in another
// process: prints "window=0x.." for the window it creates at start and then serves messages
// until it is ended.
#include <windows.h>

#include <cstdio>

#include "channel/UrlScanResult.h"
#include "tools/HandleText.h"

int main() {
    CUrlScanResult result;
    std::printf("window=%s\n", HandleText(result.GetHwnd()).c_str());
    std::fflush(stdout);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
    return 0;
}
