// A tree view that produces a branch's children only when it is first expanded, showing a
// "loading" placeholder meanwhile; the derived class says how children are produced.
#pragma once
#include "res/resource.h"
#include "framework/gdi.h"
#include "ui/loading_progress.h"
#include "ui/tree_ctrl.h"

#include <map>
#include <string>

class CLazyTreeCtrl : public CTreeCtrl {
public:
    CLazyTreeCtrl();

    // 1: the placeholder may be seen; 0: drawing stays frozen for the whole fill.
    int m_bShowLoading = 0;
    // Period of the progress thread's timer in ms; 0, the default, means no timer.
    void SetTickPeriod(UINT nMs) { m_nTickPeriod = nMs; }
    bool IsFilling() const { return !m_fills.empty(); }
    bool IsFilling(HTREEITEM hItem) const { return m_fills.count(hItem) != 0; }
    const std::string& GetLoadingText() const { return m_strLoading; }

protected:
    virtual void OnLoadingStart(HTREEITEM hPlaceholder) { (void)hPlaceholder; }
    // On the progress thread.
    virtual void OnLoadingProgress(bool bTick, int nState, int nCount) { (void)bTick, (void)nState, (void)nCount; }
    virtual void OnLoadingEnd() {}
    virtual bool ShouldReloadChildren(HTREEITEM hItem) {
        (void)hItem;
        return false;
    }
    // Starts producing hItem's children; the derived class inserts them with InsertLoadedChild
    // and ends with EndPopulate, during this call or later.
    virtual void PopulateChildren(HTREEITEM hItem) = 0;

    // Inserts one produced child of hParent after those already produced; the first one takes
    // the placeholder's place.
    HTREEITEM InsertLoadedChild(HTREEITEM hParent, TVINSERTSTRUCTA& tvis);
    void ReportProgress(int nState, int nCount) { m_progress.Set(nState, nCount); }
    // bKeep: the result stands; an empty branch then loses its expand button. Otherwise an
    // empty branch keeps its button and collapses, so that it can be tried again.
    void EndPopulate(HTREEITEM hItem, bool bKeep);
    // Forgets a fill whose item is being deleted.
    void ForgetFill(HTREEITEM hItem);
    // Drawing off for one slice of insertions made without returning to the message loop: the
    // tree view lays the slice out once when drawing comes back on. Nothing while frozen.
    void BeginSlice();
    void EndSlice();
    void StopProgress();

    LRESULT OnItemExpanding(NMHDR* pHdr);
    LRESULT OnItemExpanded(NMHDR* pHdr);
    BOOL OnEraseBkgnd(HDC hdc);
    void OnDestroy();

    BEGIN_MESSAGE_MAP(CLazyTreeCtrl, CTreeCtrl)
        ON_REFLECT_NOTIFY(TVN_ITEMEXPANDINGA, OnItemExpanding)
        ON_REFLECT_NOTIFY(TVN_ITEMEXPANDINGW, OnItemExpanding)
        ON_REFLECT_NOTIFY(TVN_ITEMEXPANDEDA, OnItemExpanded)
        ON_REFLECT_NOTIFY(TVN_ITEMEXPANDEDW, OnItemExpanded)
        ON_WM_ERASEBKGND()
        ON_WM_DESTROY()
    END_MESSAGE_MAP()

private:
    struct Fill {
        HTREEITEM hPlaceholder = nullptr;
        bool bStarted = false;
        bool bFrozen = false;  // drawing held off for the whole fill
    };
    void DeleteChildren(HTREEITEM hItem);
    // Freezes drawing across message loops, the last picture standing in for the tree; nests.
    void Freeze();
    void Thaw();

    std::map<HTREEITEM, Fill> m_fills;
    CLoadingProgress m_progress;
    UINT m_nTickPeriod = 0;
    std::string m_strLoading;
    CScopedBitmap m_bmpSnapshot;
    bool m_bShowSnapshot = false;
    int m_nFrozen = 0;
};
