#include "framework/wnd.h"

#include "framework/module.h"

#include <cstdio>
#include <list>
#include <mutex>
#include <unordered_map>

namespace {
const char kClassPrefix[] = "TessalineWnd";

// Window to object, for the windows this framework created or subclassed. Every message takes
// one or two look-ups (its own window, the child it reflects to); a window property would do,
// but under Wine each property read is a round trip to the window server, tens of microseconds.
class CWndMap {
public:
    CWnd* Find(HWND hWnd) {
        std::lock_guard<std::mutex> hold(m_lock);
        auto it = m_map.find(hWnd);
        return it == m_map.end() ? nullptr : it->second;
    }
    void Add(HWND hWnd, CWnd* pWnd) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_map[hWnd] = pWnd;
    }
    void Remove(HWND hWnd) {
        std::lock_guard<std::mutex> hold(m_lock);
        m_map.erase(hWnd);
    }

private:
    std::mutex m_lock;
    std::unordered_map<HWND, CWnd*> m_map;
};

CWndMap& Windows() {
    static CWndMap map;
    return map;
}

// Names of the classes this module registered; a list (not a vector) so that the
// names handed out stay put.
std::list<std::string>& RegisteredClasses() {
    static std::list<std::string> names;
    return names;
}

// The object being created on this thread, picked up by its first message.
thread_local CWnd* t_pWndInit = nullptr;

HWND ReflectionSource(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX: return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY: return lParam ? reinterpret_cast<const NMHDR*>(lParam)->hwndFrom : nullptr;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        return item && item->CtlType != ODT_MENU ? item->hwndItem : nullptr;
    }
    default: (void)wParam; return nullptr;
    }
}
}  // namespace

CWnd::~CWnd() {
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow();
    if (m_hWnd) Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) { return hWnd ? Windows().Find(hWnd) : nullptr; }

LPCSTR CWnd::RegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground) {
    // One class per style/cursor/brush combination, named after them, like any framework's.
    char name[96];
    std::snprintf(name, sizeof name, "%s:%x:%p:%p", kClassPrefix, nClassStyle, static_cast<void*>(hCursor),
                  static_cast<void*>(hbrBackground));
    HINSTANCE instance = CModule::Instance();
    WNDCLASSA existing{};
    if (!GetClassInfoA(instance, name, &existing)) {
        WNDCLASSA wc{};
        wc.style = nClassStyle;
        wc.lpfnWndProc = StdWndProc;
        wc.hInstance = instance;
        wc.hCursor = hCursor ? hCursor : LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = hbrBackground;
        wc.lpszClassName = name;
        if (!RegisterClassA(&wc)) return nullptr;
    }
    for (const std::string& n : RegisteredClasses())
        if (n == name) return n.c_str();
    RegisteredClasses().emplace_back(name);
    return RegisteredClasses().back().c_str();
}

void CWnd::UnregisterWndClasses() {
    for (const std::string& n : RegisteredClasses()) UnregisterClassA(n.c_str(), CModule::Instance());
    RegisteredClasses().clear();
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                    HWND hWndParent, UINT nID) {
    if (m_hWnd) return FALSE;
    WNDCLASSA info{};
    bool ours = GetClassInfoA(CModule::Instance(), lpszClassName, &info) && info.lpfnWndProc == StdWndProc;
    HMENU menu = (dwStyle & WS_CHILD) ? reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)) : nullptr;
    if (ours) t_pWndInit = this;
    HWND hWnd =
        CreateWindowExA(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, rect.right - rect.left,
                        rect.bottom - rect.top, hWndParent, menu, CModule::Instance(), nullptr);
    t_pWndInit = nullptr;
    if (!hWnd) {
        if (m_hWnd) Detach();
        return FALSE;
    }
    if (!ours) return SubclassWindow(hWnd);
    return m_hWnd == hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (m_hWnd || !hWnd || FromHandlePermanent(hWnd)) return FALSE;
    Attach(hWnd);
    m_pfnSuper =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StdWndProc)));
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    return pParent ? SubclassWindow(::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID))) : FALSE;
}

HWND CWnd::UnsubclassWindow() {
    HWND hWnd = m_hWnd;
    if (hWnd && m_pfnSuper) SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    if (hWnd) Detach();
    return hWnd;
}

BOOL CWnd::DestroyWindow() { return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE; }

void CWnd::Attach(HWND hWnd) {
    m_hWnd = hWnd;
    Windows().Add(hWnd, this);
}

void CWnd::Detach() {
    if (m_hWnd) Windows().Remove(m_hWnd);
    m_hWnd = nullptr;
    m_pfnSuper = nullptr;
}

LRESULT CALLBACK CWnd::StdWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* wnd = FromHandlePermanent(hWnd);
    if (!wnd && t_pWndInit) {
        wnd = t_pWndInit;
        t_pWndInit = nullptr;
        wnd->Attach(hWnd);
    }
    if (!wnd) return ::DefWindowProcA(hWnd, message, wParam, lParam);
    return wnd->WindowProc(message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    HWND hWnd = m_hWnd;
    WNDPROC super = m_pfnSuper;
    // Nothing thrown may cross the window procedure into the system.
    try {
        if (!OnWndMsg(message, wParam, lParam, result)) result = DefWindowProc(message, wParam, lParam);
    } catch (...) {
        result = super ? CallWindowProcA(super, hWnd, message, wParam, lParam)
                       : ::DefWindowProcA(hWnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY && m_hWnd == hWnd) {
        UnsubclassWindow();
        PostNcDestroy();
    }
    return result;
}

bool CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    return ReflectChildNotify(message, wParam, lParam, lResult);
}

bool CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
    HWND source = ReflectionSource(message, wParam, lParam);
    CWnd* child = FromHandlePermanent(source);
    if (!child || child == this) return false;
    return child->OnWndMsg(OCM__BASE + message, wParam, lParam, lResult);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper) return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    return ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

BOOL CWnd::ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }

RECT CWnd::GetClientRect() const {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    return rc;
}

void CWnd::Invalidate(BOOL bErase) { ::InvalidateRect(m_hWnd, nullptr, bErase); }

void CWnd::SetWindowText(const std::string& text) { ::SetWindowTextA(m_hWnd, text.c_str()); }

std::string CWnd::GetWindowText() const {
    int len = ::GetWindowTextLengthA(m_hWnd);
    if (len <= 0) return std::string();
    std::string text(static_cast<size_t>(len) + 1, '\0');
    int got = ::GetWindowTextA(m_hWnd, text.data(), len + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

HWND CWnd::GetDlgItem(int nID) const { return ::GetDlgItem(m_hWnd, nID); }

CWnd* CWnd::GetParent() const { return FromHandlePermanent(::GetParent(m_hWnd)); }
