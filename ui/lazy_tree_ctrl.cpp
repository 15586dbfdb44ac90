#include "ui/lazy_tree_ctrl.h"

#include "framework/text.h"

CLazyTreeCtrl::CLazyTreeCtrl() : m_strLoading(LoadResString(IDS_TREE_LOADING)) {}

void CLazyTreeCtrl::StopProgress() {
    if (!m_progress.IsRunning()) return;
    m_progress.Stop();
    OnLoadingEnd();
}

void CLazyTreeCtrl::DeleteChildren(HTREEITEM hItem) {
    for (HTREEITEM child = GetChildItem(hItem); child;) {
        HTREEITEM next = GetNextSiblingItem(child);
        DeleteItem(child);
        child = next;
    }
}

LRESULT CLazyTreeCtrl::OnItemExpanding(NMHDR* pHdr) {
    auto* nm = reinterpret_cast<NMTREEVIEWA*>(pHdr);
    HTREEITEM hItem = nm->itemNew.hItem;
    if (!(nm->action & TVE_EXPAND) || !hItem || IsFilling(hItem)) return 0;
    if (GetChildItem(hItem)) {
        if (!ShouldReloadChildren(hItem)) return 0;
        DeleteChildren(hItem);
    }
    Fill fill;
    if (!m_bShowLoading) {
        Freeze();
        fill.bFrozen = true;
    }
    TVINSERTSTRUCTA tvis{};
    tvis.hParent = hItem;
    tvis.hInsertAfter = TVI_LAST;
    tvis.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    tvis.item.pszText = m_strLoading.data();
    // No icon: a borrowed one from the system list would look like a real folder.
    tvis.item.iImage = tvis.item.iSelectedImage = I_IMAGENONE;
    fill.hPlaceholder = InsertItem(tvis);
    m_fills[hItem] = fill;
    m_progress.Set(1, 0);
    return 0;
}

LRESULT CLazyTreeCtrl::OnItemExpanded(NMHDR* pHdr) {
    auto* nm = reinterpret_cast<NMTREEVIEWA*>(pHdr);
    HTREEITEM hItem = nm->itemNew.hItem;
    if (!(nm->action & TVE_EXPAND)) {
        if (hItem && !IsFilling(hItem) && ShouldReloadChildren(hItem)) DeleteChildren(hItem);
        return 0;
    }
    auto it = m_fills.find(hItem);
    if (it == m_fills.end() || it->second.bStarted) return 0;
    it->second.bStarted = true;
    if (!m_progress.IsRunning()) {
        OnLoadingStart(it->second.hPlaceholder);
        m_progress.Start(m_nTickPeriod,
                         [this](bool bTick, int nState, int nCount) { OnLoadingProgress(bTick, nState, nCount); });
    }
    // The listing starts first, so that the worker is busy while the placeholder is painted.
    PopulateChildren(hItem);
    // Children arrive while the user keeps working; the placeholder shows until they have.
    if (m_bShowLoading && IsFilling(hItem)) UpdateWindow(m_hWnd);
    return 0;
}

HTREEITEM CLazyTreeCtrl::InsertLoadedChild(HTREEITEM hParent, TVINSERTSTRUCTA& tvis) {
    auto it = m_fills.find(hParent);
    const HTREEITEM hPlaceholder = it == m_fills.end() ? nullptr : it->second.hPlaceholder;
    // The placeholder goes once the first child stands in front of it (a branch left without
    // children would close), so that every further child goes last: the tree view takes that
    // without looking the previous child up among all its items.
    tvis.hParent = hParent;
    tvis.hInsertAfter = hPlaceholder ? TVI_FIRST : TVI_LAST;
    HTREEITEM hNew = InsertItem(tvis);
    if (hNew && hPlaceholder) {
        it->second.hPlaceholder = nullptr;
        DeleteItem(hPlaceholder);
    }
    return hNew;
}

void CLazyTreeCtrl::EndPopulate(HTREEITEM hItem, bool bKeep) {
    auto it = m_fills.find(hItem);
    if (it == m_fills.end()) return;
    const Fill fill = it->second;
    m_fills.erase(it);
    if (fill.hPlaceholder) DeleteItem(fill.hPlaceholder);
    if (hItem != TVI_ROOT) {
        const bool bHasChild = GetChildItem(hItem) != nullptr;
        TVITEMA item{};
        item.hItem = hItem;
        if (bKeep) {
            item.mask = TVIF_CHILDREN;
            item.cChildren = bHasChild ? 1 : 0;
            SetItem(item);
        } else if (!bHasChild) {
            // Collapsed with its button: the next expansion tries again (a disc put in). Some
            // tree views drop the button with the last child, so it is set again.
            item.mask = TVIF_STATE | TVIF_CHILDREN;
            item.cChildren = 1;
            item.stateMask = TVIS_EXPANDED | TVIS_EXPANDEDONCE;
            item.state = 0;
            SetItem(item);
        }
    }
    m_progress.Set(1, 1);
    if (fill.bFrozen) Thaw();
    if (m_fills.empty()) StopProgress();
}

void CLazyTreeCtrl::ForgetFill(HTREEITEM hItem) {
    auto it = m_fills.find(hItem);
    if (it == m_fills.end()) return;
    const bool bFrozen = it->second.bFrozen;
    m_fills.erase(it);
    if (bFrozen) Thaw();
    if (m_fills.empty()) StopProgress();
}

void CLazyTreeCtrl::Freeze() {
    if (m_nFrozen++ || !m_hWnd) return;
    // What the user saw stays on screen: erasing while frozen paints this copy.
    RECT rc = GetClientRect();
    CWindowDC dc(m_hWnd);
    CBackBuffer snapshot(dc.Get(), rc.right, rc.bottom);
    if (snapshot) {
        BitBlt(snapshot.Get(), 0, 0, rc.right, rc.bottom, dc.Get(), 0, 0, SRCCOPY);
        m_bmpSnapshot = snapshot.TakeBitmap();
        m_bShowSnapshot = true;
    }
    SetRedraw(FALSE);
}

void CLazyTreeCtrl::Thaw() {
    if (m_nFrozen == 0 || --m_nFrozen || !m_hWnd) return;
    m_bShowSnapshot = false;
    m_bmpSnapshot.Reset();
    SetRedraw(TRUE);
    Invalidate(TRUE);
}

void CLazyTreeCtrl::BeginSlice() {
    if (!m_nFrozen) SetRedraw(FALSE);
}

void CLazyTreeCtrl::EndSlice() {
    if (m_nFrozen) return;
    // The tree view sizes its scroll bars as drawing comes back on and draws them there and
    // then: a round trip to the display of milliseconds, for every slice. Marked invisible
    // meanwhile (as the system's own handling of the message does), the window has nothing to
    // draw into; its frame is drawn with the next paint.
    ::DefWindowProcA(m_hWnd, WM_SETREDRAW, FALSE, 0);
    SetRedraw(TRUE);
    ::DefWindowProcA(m_hWnd, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

BOOL CLazyTreeCtrl::OnEraseBkgnd(HDC hdc) {
    if (m_bShowSnapshot && m_bmpSnapshot) {
        CMemoryDC mem(hdc, m_bmpSnapshot.Get());
        if (mem) {
            BITMAP bm{};
            GetObjectA(m_bmpSnapshot.Get(), sizeof bm, &bm);
            BitBlt(hdc, 0, 0, bm.bmWidth, bm.bmHeight, mem.Get(), 0, 0, SRCCOPY);
        }
        m_progress.Kick();
        return TRUE;
    }
    return static_cast<BOOL>(DefWindowProc(WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0));
}

void CLazyTreeCtrl::OnDestroy() {
    StopProgress();
    m_fills.clear();
    m_nFrozen = 0;
    m_bShowSnapshot = false;
    m_bmpSnapshot.Reset();
    DefWindowProc(WM_DESTROY, 0, 0);
}
