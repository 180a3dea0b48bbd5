#include "toolkit/RawWindow.h"

#include "toolkit/Scoped.h"

namespace {

constexpr const wchar_t* kDefaultClass = L"uis_raw_popup_class";

FCWindowBase* ObjectOf(HWND hwnd) {
    return reinterpret_cast<FCWindowBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

#ifdef VEKO_COMPACT
// The compact library lets a message window that has lost its object behave like a plain window.
LRESULT CALLBACK MessageWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!ObjectOf(hwnd)) return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    return SharedWindowProc(hwnd, msg, wParam, lParam);
}
#else
constexpr WNDPROC MessageWindowProc = SharedWindowProc;
#endif

}  // namespace

void RegisterPlainClass(const wchar_t* className) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ThisModule();
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = className;
    ::RegisterClassExW(&wc);  // fails quietly once the class exists
}

LRESULT CALLBACK SharedWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return NoThrow(LRESULT(0), [&] {
        FCWindowBase* object = ObjectOf(hwnd);
        if (!object) return LRESULT(0);
        const LRESULT result = object->WindowProc(msg, wParam, lParam);
        // The platform destroyed the window (with its parent, or with its thread): the object
        // forgets the handle, so that it never acts on the same value given to another window.
        if (msg == WM_NCDESTROY && ObjectOf(hwnd) == object) object->ForgetWindow();
        return result;
    });
}

UINT RegisteredMessage(UINT& cache, const wchar_t* name) {
    if (!cache) cache = ::RegisterWindowMessageW(name);
    return cache;
}

UINT ReflectDrawItemMessage() {
    static UINT message = 0;  // constant-initialised: no guard
    return RegisteredMessage(message, L"WM_UIS_REFLECT_DRAW_ITEM");
}

FCWindowBase::~FCWindowBase() { Destroy(); }

LRESULT FCWindowBase::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(msg, wParam, lParam);
}

void FCWindowBase::CreateAndSubclass(DWORD exStyle, LPCWSTR className, DWORD style, const RECT& rc,
                                     HWND parent, HMENU menuOrId, WNDPROC proc) {
    Destroy();
    m_hWnd =
        ::CreateWindowExW(exStyle, className, nullptr, style, rc.left, rc.top, rc.right - rc.left,
                          rc.bottom - rc.top, parent, menuOrId, nullptr, nullptr);
    if (!m_hWnd) return;
    // The object is in place before the procedure, so the first forwarded message finds it.
    ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_pfnOldProc = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

void FCWindowBase::Destroy() {
    if (m_hWnd) {
        if (m_pfnOldProc) {
            ::SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnOldProc));
        }
        ::SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
        // Only its own thread destroys a window; from another one (a detach there) destroying
        // would wait for that thread, which may be waiting for us. The window, back on its own
        // procedure, is asked to close instead.
        if (::GetWindowThreadProcessId(m_hWnd, nullptr) == ::GetCurrentThreadId()) {
            ::DestroyWindow(m_hWnd);
        } else {
            ::PostMessageW(m_hWnd, WM_CLOSE, 0, 0);
        }
    }
    ForgetWindow();
}

void FCWindowBase::ForgetWindow() {
    m_hWnd = nullptr;
    m_pfnOldProc = nullptr;
}

LRESULT FCWindowBase::DefaultProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!::IsWindow(m_hWnd)) return 0;
    return ::CallWindowProcW(m_pfnOldProc, m_hWnd, msg, wParam, lParam);
}

void FCRawWindow::Create(DWORD exStyle, LPCWSTR className, DWORD style, RECT rc, HWND parent,
                         HMENU menuOrId) {
    Destroy();
    if (!className) {
        RegisterPlainClass(kDefaultClass);
        className = kDefaultClass;
    }
    CreateAndSubclass(exStyle, className, style, rc, parent, menuOrId, SharedWindowProc);
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

LRESULT FCRawWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;  // painting covers the whole client area
        case WM_DRAWITEM:
            ReflectDrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC hdc = ::BeginPaint(m_hWnd, &ps);
            OnPaint(hdc);
            ::EndPaint(m_hWnd, &ps);
            return 0;
        }
        default:
            if (msg == ReflectDrawItemMessage()) {
                // The message is registered: any process may send or post it, with any lParam.
                // Only the reflection that our parent is making on this thread is taken.
                auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
                if (dis && dis == m_pReflected && !::InSendMessage() && dis->hwndItem == m_hWnd)
                    OnDrawItem(dis);
                return 0;
            }
            return DefaultProc(msg, wParam, lParam);
    }
}

void FCRawWindow::ReflectDrawItem(DRAWITEMSTRUCT* dis) {
    // WM_DRAWITEM may come from another process and name any window: reflect it only to a child
    // of this window that is a window object of this thread.
    if (!dis || !::IsWindow(dis->hwndItem) || ::GetParent(dis->hwndItem) != m_hWnd ||
        ::GetWindowThreadProcessId(dis->hwndItem, nullptr) != ::GetCurrentThreadId() ||
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(dis->hwndItem, GWLP_WNDPROC)) !=
            SharedWindowProc) {
        return;
    }
    auto* child = dynamic_cast<FCRawWindow*>(ObjectOf(dis->hwndItem));
    if (!child) return;
    const DRAWITEMSTRUCT* outer = child->m_pReflected;
    child->m_pReflected = dis;
    ::SendMessageW(dis->hwndItem, ReflectDrawItemMessage(), 0, reinterpret_cast<LPARAM>(dis));
    child->m_pReflected = outer;
}

void FCRawWindow::OnDrawItem(DRAWITEMSTRUCT*) {}

void FCRawWindow::OnPaint(HDC) {}

void FCMessageWindow::Create(DWORD exStyle, LPCWSTR className, DWORD style, RECT rc, HWND parent,
                             HMENU menuOrId) {
    CreateAndSubclass(exStyle, className, style, rc, parent, menuOrId, MessageWindowProc);
}
