// The exports of veko.dll, its entry point and the message hook that starts the manager inside a
// browser's process.
//
// In the main program's process only InstallHook and UninstallHook run. In a browser's process
// the platform loads the library when the hooked thread first retrieves a message; the hook
// procedure then finds this process's entry in the table and starts the manager once.
#include <windows.h>

#include "hook/EnvProbes.h"
#include "hook/HookTable.h"
#include "hook/ManagerSameProcessWnd.h"
#include "toolkit/Scoped.h"
#include "veko.h"

// Process-wide objects, constructed in this order at load and destroyed in reverse at unload.
CEditHookMap s_mapEditHooks;

namespace {

FCGlobalShareMemory g_shareMemory(veko::kHookTableFileName, veko::kHookTableBytes);
CManagerSameProcessWnd g_manager;

HINSTANCE g_instance = nullptr;
HHOOK g_processHook = nullptr;  // the hook that the table lists for this process
HWND g_startWindow = nullptr;
bool g_started = false;

// The main program sets the hook a moment before it saves the table: a thread that retrieves a
// message in between loads the library before this process's entry is on disk. Until the entry
// is found the file is read again, at most every 50 ms and for 10 s after the library came.
constexpr DWORD kLookAgainEvery = 50;
constexpr DWORD kLookAgainFor = 10000;
DWORD g_loadedAt = 0;
DWORD g_lastLook = 0;

bool FindOwnEntry() {
    if (!g_shareMemory.GetData()) return false;
    const int entry = FindProcessEntry(g_shareMemory.Entries(), ::GetCurrentProcessId());
    if (entry < 0) return false;
    g_processHook = EntryHook(g_shareMemory.Entries()[entry]);
    g_startWindow = EntryWindow(g_shareMemory.Entries()[entry]);
    return true;
}

void LookForOwnEntry() {
    if (FindOwnEntry()) return;
    const DWORD now = ::GetTickCount();
    if (now - g_loadedAt >= kLookAgainFor || now - g_lastLook < kLookAgainEvery) return;
    g_lastLook = now;
    g_shareMemory.Reload(veko::kHookTableBytes);
    FindOwnEntry();
}

LRESULT CALLBACK GetMessageHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (!g_processHook) LookForOwnEntry();
    const LRESULT result = ::CallNextHookEx(g_processHook, code, wParam, lParam);
    if (g_processHook && !g_started) {
        g_started = true;  // set first: nothing inside Start may start it a second time
        NoThrow([] { g_manager.Start(g_startWindow); });
    }
    return result;
}

HHOOK Install(HWND window) {
    if (!g_shareMemory.GetData()) return nullptr;
    DWORD processId = 0;
    // A dead window has no thread, and a hook on thread 0 would hook the whole desktop.
    if (!::IsWindow(window) || !::GetWindowThreadProcessId(window, &processId)) return nullptr;
    // A process of the other bitness can never map this library: such a hook is never listed.
    if (!IsProcessOfOwnBitness(processId)) return nullptr;
    TableFileLock lock;
    g_shareMemory.TakeLiveEntriesFromFile();
    HookTableEntry* entries = g_shareMemory.Entries();
    const int chosen = ChooseInstallEntry(entries, window, processId);
    if (chosen < 0) return nullptr;

    const DWORD threadId = ::GetWindowThreadProcessId(window, &processId);
    if (!threadId) return nullptr;
    HookTableEntry& entry = entries[chosen];
    entry.window = veko::HandleToField(window);
    entry.processId = processId;
    HHOOK hook = ::SetWindowsHookExW(WH_GETMESSAGE, GetMessageHookProc, g_instance, threadId);
    entry.hook = veko::HandleToField(hook);
    g_shareMemory.Save();
    return hook;
}

}  // namespace

extern "C" {

HHOOK WINAPI InstallHook(HWND window) {
    return NoThrow(HHOOK(nullptr), [window] { return Install(window); });
}

BOOL WINAPI UninstallHook() {
    return NoThrow(FALSE, [] {
        const BOOL result = ::UnhookWindowsHookEx(g_processHook);
        g_processHook = nullptr;
        return result;
    });
}

#ifdef VEKO_COMPACT
int WINAPI ShowFirstTip() { return 0; }
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    g_instance = instance;
    if (reason == DLL_PROCESS_ATTACH) g_loadedAt = g_lastLook = ::GetTickCount();
    if (reason == DLL_PROCESS_DETACH) {
        g_manager.KillTimer();
        if (reserved) g_manager.SetProcessExiting();
    }
    return TRUE;
}

}  // extern "C"
