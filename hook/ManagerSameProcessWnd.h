// The library's root object inside a browser process.
//
// Started once by the hook procedure with the hooked frame: it decides which browser this is,
// finds the frame's address edit, lays an address tip over it and replaces the edit's window
// procedure so that the tip follows the edit. For some browsers a 2000 ms rescan takes on the
// further frames of the process. Everything is undone when the library is unloaded.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "hook/BrowserKind.h"
#include "tipui/WndAddressTip.h"
#include "toolkit/Scoped.h"
#include "toolkit/TimerNotify.h"

struct EditHookRecord {
    WNDPROC m_pfnOldProc = nullptr;
    std::unique_ptr<CWndAddressTip> m_pAddressTip;
};

// The served address edits. Edits of frames that run on threads of their own are looked up from
// those threads while the manager's thread inserts, so every map operation holds the lock; no
// window procedure ever runs under it.
class CEditHookMap {
  public:
    struct Served {
        WNDPROC oldProc;
        // The tip's window, null once torn down. The tip object itself is left to its own
        // thread, which may delete it at any moment: other threads only send its window messages.
        HWND tip;
        // The tip object, when it lives on the asking thread (only that thread deletes it).
        CWndAddressTip* ownTip;
        // Another procedure than `ours` is on the edit while the map is not released: someone
        // subclassed the edit after us.
        bool foreignAbove;
    };
    bool Contains(HWND edit);
    // False for an edit that is not served. The edit's procedure is compared under the same
    // lock that Release holds while it puts the old procedures back, so that our own release is
    // never taken for someone else's subclass.
    bool Lookup(HWND edit, WNDPROC ours, Served& served);
    // Enters the record and puts `proc` on the edit under one lock, so that the edit's first
    // message to `proc`, on whatever thread, finds the record with the procedure it replaced.
    void Subclass(HWND edit, std::unique_ptr<EditHookRecord> record, WNDPROC proc);
    // Gives each served edit its previous procedure back (while the edit lives and ours is still
    // in place), then deletes the address tips. The records stay, so a late message still finds
    // the procedure to forward to.
    void Release(WNDPROC ours);

  private:
    CriticalSection m_lock;
    std::map<HWND, std::unique_ptr<EditHookRecord>> m_records;
    bool m_released = false;
};

extern CEditHookMap s_mapEditHooks;

BOOL IsBrowserFrameClass(const wchar_t* className);
LRESULT CALLBACK AddressEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

class CManagerSameProcessWnd : public FCTimerNotify {
  public:
    ~CManagerSameProcessWnd() override;

    void Start(HWND frame);
    BOOL AttachFrame(HWND frame);
    BrowserKind DetectBrowserKind(const wchar_t* className) const;
    void OnTimer() override;

    // At process exit the platform takes everything down; teardown then leaves windows alone.
    void SetProcessExiting() { m_bProcessExiting = true; }

  private:
    static BOOL CALLBACK RescanWindow(HWND hwnd, LPARAM manager);
    // FALSE ends the rescan: the window is a frame we know already.
    BOOL TakeOnIfNewFrame(HWND hwnd);

    std::vector<HWND> m_frames;
    DWORD m_dwProcessId = 0;
    std::wstring m_strExeName;
    BrowserKind m_nBrowserKind = BrowserUnknown;
    bool m_bProcessExiting = false;
};
