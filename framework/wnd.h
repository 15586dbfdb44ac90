// Window object: one C++ object per window, messages routed through the class's message map,
// child notifications reflected back to the child's own object.
#pragma once
#include <windows.h>

#include <string>

// Reflected notifications arrive at the child as OCM_BASE + the original message.
#ifndef OCM__BASE
#define OCM__BASE (WM_USER + 0x1c00)
#endif

class CWnd {
public:
    CWnd() = default;
    // A window still alive here is destroyed, but only CWnd's map sees its last messages:
    // every class with a map destroys it in its own destructor first.
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;

    // The object of a window created or subclassed by this framework, else null.
    static CWnd* FromHandlePermanent(HWND hWnd);

    // Creates a window. For a class registered by RegisterWndClass the object sees every
    // message from WM_NCCREATE on; a system class is subclassed right after creation.
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  HWND hWndParent, UINT nID);
    BOOL SubclassWindow(HWND hWnd);
    BOOL SubclassDlgItem(UINT nID, CWnd* pParent);
    HWND UnsubclassWindow();
    BOOL DestroyWindow();

    // A window class of this module whose procedure routes to window objects.
    static LPCSTR RegisterWndClass(UINT nClassStyle, HCURSOR hCursor = nullptr, HBRUSH hbrBackground = nullptr);
    // Before the module unloads: its window procedure goes with it.
    static void UnregisterWndClasses();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    BOOL ShowWindow(int nCmdShow);
    RECT GetClientRect() const;
    void Invalidate(BOOL bErase = TRUE);
    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;
    HWND GetDlgItem(int nID) const;
    // The parent's window object when the parent is one of ours.
    CWnd* GetParent() const;

protected:
    // The message map; returns true when the message was handled (result in lResult).
    // The base implementation reflects child notifications.
    virtual bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after the window is gone (WM_NCDESTROY); the object may be reused.
    virtual void PostNcDestroy() {}

    static LRESULT CALLBACK StdWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    bool ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult);
    void Attach(HWND hWnd);
    void Detach();

    WNDPROC m_pfnSuper = nullptr;
};

// Message-map macros: the map is the class's OnWndMsg, entries tested in order, anything not
// handled goes to the base class's map.
// A class with a map also gets its destructor from it: the window goes first, while the
// class's members and map still exist, so its WM_DESTROY handling runs even when the object
// is destroyed with its window alive (CWnd's own destructor would reach only CWnd's map).
// Teardown that needs the window belongs in OnDestroy; the rest is the members' RAII.
#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                             \
public:                                                                                    \
    ~theClass() override { DestroyWindow(); }                                              \
                                                                                           \
protected:                                                                                 \
    bool OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& lResult) override { \
        using TheBaseClass = baseClass;                                                    \
        static_assert(sizeof(theClass) > 0);                                               \
        (void)wParam;                                                                      \
        (void)lParam;

#define END_MESSAGE_MAP()                                            \
    return TheBaseClass::OnWndMsg(message, wParam, lParam, lResult); \
    }

#define ON_MESSAGE(msg, memberFxn)           \
    if (message == (msg)) {                  \
        lResult = memberFxn(wParam, lParam); \
        return true;                         \
    }

#define ON_WM_CREATE()                                                 \
    if (message == WM_CREATE) {                                        \
        lResult = OnCreate(reinterpret_cast<LPCREATESTRUCTA>(lParam)); \
        return true;                                                   \
    }

#define ON_WM_SIZE()                                                                                               \
    if (message == WM_SIZE) {                                                                                      \
        OnSize(static_cast<UINT>(wParam), static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))); \
        lResult = 0;                                                                                               \
        return true;                                                                                               \
    }

#define ON_WM_PAINT()          \
    if (message == WM_PAINT) { \
        OnPaint();             \
        lResult = 0;           \
        return true;           \
    }

#define ON_WM_ERASEBKGND()                                     \
    if (message == WM_ERASEBKGND) {                            \
        lResult = OnEraseBkgnd(reinterpret_cast<HDC>(wParam)); \
        return true;                                           \
    }

#define ON_WM_DESTROY()          \
    if (message == WM_DESTROY) { \
        OnDestroy();             \
        lResult = 0;             \
        return true;             \
    }

#define ON_COMMAND(id, memberFxn)                          \
    if (message == WM_COMMAND && LOWORD(wParam) == (id)) { \
        memberFxn();                                       \
        lResult = 0;                                       \
        return true;                                       \
    }

#define ON_BN_CLICKED(id, memberFxn)                                                       \
    if (message == WM_COMMAND && LOWORD(wParam) == (id) && HIWORD(wParam) == BN_CLICKED) { \
        memberFxn();                                                                       \
        lResult = 0;                                                                       \
        return true;                                                                       \
    }

// In a child's map: a notification its parent reflected back to it.
#define ON_REFLECT(msg, memberFxn)           \
    if (message == OCM__BASE + (msg)) {      \
        lResult = memberFxn(wParam, lParam); \
        return true;                         \
    }

// In a child's map: one WM_NOTIFY code its parent reflected back to it, handler(NMHDR*) -> LRESULT.
#define ON_REFLECT_NOTIFY(notifyCode, memberFxn)                                         \
    if (message == OCM__BASE + WM_NOTIFY && lParam &&                                    \
        reinterpret_cast<const NMHDR*>(lParam)->code == static_cast<UINT>(notifyCode)) { \
        lResult = memberFxn(reinterpret_cast<NMHDR*>(lParam));                           \
        return true;                                                                     \
    }
