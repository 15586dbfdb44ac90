// Thin window object over the system tree view: each call asserts the window and sends one message.
#pragma once
#include "framework/wnd.h"

#include <commctrl.h>

#include <cassert>

class CTreeCtrl : public CWnd {
public:
    HTREEITEM InsertItem(const TVINSERTSTRUCTA& tvis) {
        assert(m_hWnd);
        return reinterpret_cast<HTREEITEM>(Send(TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&tvis)));
    }
    BOOL DeleteItem(HTREEITEM hItem) {
        assert(m_hWnd);
        return static_cast<BOOL>(Send(TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(hItem)));
    }
    BOOL DeleteAllItems() { return DeleteItem(TVI_ROOT); }
    HTREEITEM GetNextItem(HTREEITEM hItem, UINT nCode) const {
        assert(m_hWnd);
        return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, nCode, reinterpret_cast<LPARAM>(hItem)));
    }
    HTREEITEM GetRootItem() const { return GetNextItem(nullptr, TVGN_ROOT); }
    HTREEITEM GetChildItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_CHILD); }
    HTREEITEM GetNextSiblingItem(HTREEITEM hItem) const { return GetNextItem(hItem, TVGN_NEXT); }
    BOOL ItemHasChildren(HTREEITEM hItem) const { return GetChildItem(hItem) != nullptr; }
    BOOL GetItem(TVITEMA& item) const {
        assert(m_hWnd);
        return static_cast<BOOL>(Send(TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    }
    BOOL SetItem(const TVITEMA& item) {
        assert(m_hWnd);
        return static_cast<BOOL>(Send(TVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    }
    UINT GetItemState(HTREEITEM hItem, UINT nMask) const {
        assert(m_hWnd);
        return static_cast<UINT>(Send(TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(hItem), nMask));
    }
    LPARAM GetItemData(HTREEITEM hItem) const {
        TVITEMA item{};
        item.mask = TVIF_PARAM | TVIF_HANDLE;
        item.hItem = hItem;
        return GetItem(item) ? item.lParam : 0;
    }
    BOOL Expand(HTREEITEM hItem, UINT nCode) {
        assert(m_hWnd);
        return static_cast<BOOL>(Send(TVM_EXPAND, nCode, reinterpret_cast<LPARAM>(hItem)));
    }
    BOOL SelectItem(HTREEITEM hItem) {
        assert(m_hWnd);
        return static_cast<BOOL>(Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(hItem)));
    }
    BOOL EnsureVisible(HTREEITEM hItem) {
        assert(m_hWnd);
        return static_cast<BOOL>(Send(TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(hItem)));
    }
    // The item's rectangle, the label's only when bTextOnly.
    BOOL GetItemRect(HTREEITEM hItem, RECT& rc, BOOL bTextOnly) const {
        assert(m_hWnd);
        *reinterpret_cast<HTREEITEM*>(&rc) = hItem;  // the message takes the item in the rectangle
        return static_cast<BOOL>(Send(TVM_GETITEMRECT, bTextOnly, reinterpret_cast<LPARAM>(&rc)));
    }
    HTREEITEM HitTest(TVHITTESTINFO& info) const {
        assert(m_hWnd);
        return reinterpret_cast<HTREEITEM>(Send(TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    }
    HIMAGELIST GetImageList(int nKind) const {
        assert(m_hWnd);
        return reinterpret_cast<HIMAGELIST>(Send(TVM_GETIMAGELIST, nKind));
    }
    HIMAGELIST SetImageList(HIMAGELIST hList, int nKind) {
        assert(m_hWnd);
        return reinterpret_cast<HIMAGELIST>(Send(TVM_SETIMAGELIST, nKind, reinterpret_cast<LPARAM>(hList)));
    }
    COLORREF GetBkColor() const {
        assert(m_hWnd);
        return static_cast<COLORREF>(Send(TVM_GETBKCOLOR));
    }
    UINT GetCount() const {
        assert(m_hWnd);
        return static_cast<UINT>(Send(TVM_GETCOUNT));
    }
    void SetRedraw(BOOL bRedraw) { Send(WM_SETREDRAW, bRedraw); }

protected:
    // Straight to the tree view's own procedure. Going through this window's subclass costs a
    // window-property look-up per message, a round trip to the window server under Wine, and
    // the wrappers are called thousands of times while a big folder is inserted. None of these
    // messages is in a map here; only this window's own thread may call.
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        assert(m_hWnd && GetWindowThreadProcessId(m_hWnd, nullptr) == GetCurrentThreadId());
        if (!m_pfnTreeProc) m_pfnTreeProc = reinterpret_cast<WNDPROC>(GetClassLongPtrA(m_hWnd, GCLP_WNDPROC));
        return m_pfnTreeProc ? CallWindowProcA(m_pfnTreeProc, m_hWnd, message, wParam, lParam)
                             : ::SendMessageA(m_hWnd, message, wParam, lParam);
    }

private:
    mutable WNDPROC m_pfnTreeProc = nullptr;
};
