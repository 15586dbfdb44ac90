// The panel's folder tree: the shell's namespace from the Desktop down, folders only, with the
// system's small icons; a click on a folder tells the panel its path (WM_PANEL_SCANFOLDER).
#pragma once
#include "ui/lazy_tree_ctrl.h"
#include "ui/panel_messages.h"
#include "ui/shell_folder_fill.h"
#include "ui/shell_item_data.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CShellTree : public CLazyTreeCtrl {
public:
    CShellTree() = default;

    // Creates the tree view and attaches the system's small-icon list.
    BOOL CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  HWND hWndParent, UINT nID);
    // The Desktop as the one root, expanded.
    void InitRoot();

    // The path a click on hItem reports: "" outside the file system.
    std::string PathOf(HTREEITEM hItem) const;
    const ShellItemData* DataOf(HTREEITEM hItem) const;
    size_t ItemDataCount() const { return m_items.size(); }
    // Stands in for GetDriveTypeA, for drives this machine does not have.
    void SetDriveTypeQuery(CShellFolderFill::DriveTypeQuery pfn) { m_pfnDriveType = pfn; }
    // Selects the folder at strPath, which the panel opened without a click (a drop),
    // expanding its ancestors as their listings come in; a folder the tree cannot reach
    // leaves the selection as it is. Reports nothing to the panel.
    void ShowFolder(const std::string& strPath);
    bool IsShowingFolder() const { return static_cast<bool>(m_pidlToShow); }

protected:
    void PopulateChildren(HTREEITEM hItem) override;

    LRESULT OnDeleteItem(NMHDR* pHdr);
    LRESULT OnClick(NMHDR* pHdr);
    LRESULT OnFillReady(WPARAM wParam, LPARAM lParam);
    LRESULT OnTimer(WPARAM wParam, LPARAM lParam);
    void OnDestroy();

    BEGIN_MESSAGE_MAP(CShellTree, CLazyTreeCtrl)
        ON_WM_DESTROY()
        ON_REFLECT_NOTIFY(TVN_DELETEITEMA, OnDeleteItem)
        ON_REFLECT_NOTIFY(TVN_DELETEITEMW, OnDeleteItem)
        ON_REFLECT_NOTIFY(NM_CLICK, OnClick)
        ON_MESSAGE(WM_SHELLTREE_FILLREADY, OnFillReady)
        ON_MESSAGE(WM_TIMER, OnTimer)
    END_MESSAGE_MAP()

private:
    static constexpr UINT WM_SHELLTREE_FILLREADY = WM_APP + 0x164;
    // Far from the tree view's own timers.
    static constexpr UINT_PTR kDrainTimer = 0x5471;

    struct Job {
        std::unique_ptr<CShellFolderFill> pFill;
        int nInserted = 0;
    };
    void AttachSystemImageList();
    HTREEITEM InsertRecord(HTREEITEM hParent, ShellChildRecord rec);
    ShellItemData* FindData(LPARAM lParam) const;
    // Inserts what the workers have ready, in one slice of bounded time; true when some is left.
    bool DrainJobs();
    // Asks for the next slice once the messages waiting now have been served.
    void ScheduleDrain();
    // Walks down towards m_pidlToShow as far as the listings go; the next listing that ends
    // walks on.
    void ContinueShowFolder();

    // The Desktop's folder, shared by every tree of the process while one lives.
    static IShellFolder* AcquireDesktop();
    static void ReleaseDesktop();
    struct CDesktopRef {
        CDesktopRef() { AcquireDesktop(); }
        ~CDesktopRef() { ReleaseDesktop(); }
        CDesktopRef(const CDesktopRef&) = delete;
        CDesktopRef& operator=(const CDesktopRef&) = delete;
    };

    CDesktopRef m_desktop;  // first: released after the items that came from it
    std::unordered_map<const ShellItemData*, std::unique_ptr<ShellItemData>> m_items;
    std::unordered_map<HTREEITEM, Job> m_jobs;
    // The listing threads that may still run, cancelled or not: the tree waits a while for
    // them when it goes, so that none is cut off inside the shell when the host then ends.
    std::vector<CScopedHandle> m_workers;
    CShellFolderFill::DriveTypeQuery m_pfnDriveType = GetDriveTypeA;
    bool m_bDrainScheduled = false;
    double m_dItemMs = 0.05;  // what the last slice took per item, laid out
    // The folder ShowFolder walks to, and the branch it last expanded on the way: a branch
    // whose listing failed is not tried again.
    CShellPidl m_pidlToShow;
    HTREEITEM m_hShowExpanded = nullptr;
};
