// Window objects over raw Win32 windows.
//
// A window of any class is created with CreateWindowExW and subclassed at once: the object goes
// into GWL_USERDATA and SharedWindowProc forwards every message to the object's virtual
// WindowProc. Destroying the object removes the subclass first, then destroys the window, so the
// object never sees the messages of its own destruction.
//
// FCRawWindow is for windows that paint (it reflects owner-draw requests to the child that owns
// the item); FCMessageWindow is for windows that only exchange messages.
#pragma once

#include <windows.h>

// State and subclassing shared by both window object kinds.
class FCWindowBase {
  public:
    virtual ~FCWindowBase();
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);

    HWND GetHwnd() const { return m_hWnd; }
    void Destroy();
    // The window is gone without us: drops the handle and the replaced procedure.
    void ForgetWindow();
    // The replaced procedure while the window lives; 0 once it is gone.
    LRESULT DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam);

    FCWindowBase(const FCWindowBase&) = delete;
    FCWindowBase& operator=(const FCWindowBase&) = delete;

  protected:
    FCWindowBase() = default;
    // Creates the window and, when it exists, subclasses it with `proc`.
    void CreateAndSubclass(DWORD exStyle, LPCWSTR className, DWORD style, const RECT& rc,
                           HWND parent, HMENU menuOrId, WNDPROC proc);

    HWND m_hWnd = nullptr;
    WNDPROC m_pfnOldProc = nullptr;
};

// Registers a window class of this module whose procedure is DefWindowProcW, with the arrow
// cursor and nothing else; the objects subclass its windows. A second registration fails quietly.
void RegisterPlainClass(const wchar_t* className);

// The procedure every framework window runs; a window without an object gets 0.
LRESULT CALLBACK SharedWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// The number of the registered message `name`, registered on first use and kept in `cache`.
// Function-local statics with dynamic initialisers are avoided in the library: their guard takes
// a lock that the runtime creates with an allocation of its own, and should that allocation fail
// the process ends. Two threads racing here both store the same number.
UINT RegisteredMessage(UINT& cache, const wchar_t* name);

// "WM_UIS_REFLECT_DRAW_ITEM": a parent hands WM_DRAWITEM on to the child that owns the item.
UINT ReflectDrawItemMessage();

class FCRawWindow : public FCWindowBase {
  public:
    // A null class name means the library's default class "uis_raw_popup_class".
    void Create(DWORD exStyle, LPCWSTR className, DWORD style, RECT rc, HWND parent,
                HMENU menuOrId);
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    virtual void OnDrawItem(DRAWITEMSTRUCT* dis);
    virtual void OnPaint(HDC hdc);

  private:
    // Hands WM_DRAWITEM on to the child that owns the item, when that is a child of ours.
    void ReflectDrawItem(DRAWITEMSTRUCT* dis);
    // The item that our parent is reflecting to us right now, on this thread; null otherwise.
    const DRAWITEMSTRUCT* m_pReflected = nullptr;
};

class FCMessageWindow : public FCWindowBase {
  public:
    // The class must already be registered by the caller.
    void Create(DWORD exStyle, LPCWSTR className, DWORD style, RECT rc, HWND parent,
                HMENU menuOrId);
};
