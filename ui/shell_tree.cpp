#include "ui/shell_tree.h"

#include "framework/text.h"
#include "ui/shell_item_describe.h"

#include <shlobj.h>

#include <algorithm>
#include <cwchar>

namespace {

// Each slice of insertions, laid out, holds the user-interface thread about this long at most;
// the tree's paint follows it.
constexpr double kSliceMs = 12;
constexpr size_t kMinSlice = 16, kMaxSlice = 4096;
// Below any real cost: a slice that took no measurable time does not make the next one huge.
constexpr double kLeastItemMs = 0.001;
// How long a closing tree waits for its cancelled listings: a local folder's ends well within
// it; one stuck on a share out of reach is left to end on its own.
constexpr DWORD kWorkerEndWaitMs = 2000;

double NowMs() {
    static const double msPerTick = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return 1000.0 / static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * msPerTick;
}

IShellFolder* g_pDesktopFolder = nullptr;
int g_nDesktopRefs = 0;

CShellPidl DesktopPidl() {
    LPITEMIDLIST pidl = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &pidl))) pidl = nullptr;
    return CShellPidl(pidl);
}

}  // namespace

IShellFolder* CShellTree::AcquireDesktop() {
    if (g_nDesktopRefs++ == 0 && FAILED(SHGetDesktopFolder(&g_pDesktopFolder))) g_pDesktopFolder = nullptr;
    return g_pDesktopFolder;
}

void CShellTree::ReleaseDesktop() {
    if (g_nDesktopRefs == 0 || --g_nDesktopRefs) return;
    if (g_pDesktopFolder) g_pDesktopFolder->Release();
    g_pDesktopFolder = nullptr;
}

void CShellTree::OnDestroy() {
    // The listings first: once let go, they report no more progress into the base class.
    m_jobs.clear();
    // A process that ends kills the threads it still has wherever they are; one inside the
    // shell's or COM's locks then leaves the process's own end waiting for them for ever.
    std::vector<HANDLE> running;
    for (const CScopedHandle& worker : m_workers)
        if (running.size() < MAXIMUM_WAIT_OBJECTS) running.push_back(worker.Get());
    if (!running.empty())
        WaitForMultipleObjects(static_cast<DWORD>(running.size()), running.data(), TRUE, kWorkerEndWaitMs);
    m_workers.clear();
    CLazyTreeCtrl::OnDestroy();
}

BOOL CShellTree::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                          HWND hWndParent, UINT nID) {
    if (!CLazyTreeCtrl::CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect, hWndParent, nID))
        return FALSE;
    AttachSystemImageList();
    return TRUE;
}

void CShellTree::AttachSystemImageList() {
    CShellPidl desktop = DesktopPidl();
    if (!desktop) return;
    SHFILEINFOA info{};
    auto list =
        reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(reinterpret_cast<LPCSTR>(desktop.Get()), 0, &info, sizeof info,
                                                    SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    // The system's list is shared by the whole process: the tree never destroys it.
    if (list) SetImageList(list, TVSIL_NORMAL);
}

void CShellTree::InitRoot() {
    if (!m_hWnd || !g_pDesktopFolder) return;
    CShellPidl desktop = DesktopPidl();
    if (!desktop) return;
    ShellChildRecord rec = DescribeShellItem(g_pDesktopFolder, desktop.Get(), CShellPidl::Clone(desktop.Get()));
    rec.nChildren = 1;
    HTREEITEM hRoot = InsertRecord(TVI_ROOT, std::move(rec));
    if (hRoot) Expand(hRoot, TVE_EXPAND);
}

HTREEITEM CShellTree::InsertRecord(HTREEITEM hParent, ShellChildRecord rec) {
    auto data = std::make_unique<ShellItemData>();
    data->m_pidl = std::move(rec.pidl);
    data->m_bFileSystem = rec.bFileSystem;
    TVINSERTSTRUCTA tvis{};
    tvis.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
    if (rec.nStateMask) tvis.item.mask |= TVIF_STATE;
    tvis.item.pszText = rec.strText.data();
    tvis.item.iImage = rec.nImage;
    tvis.item.iSelectedImage = rec.nSelectedImage;
    tvis.item.state = rec.nState;
    tvis.item.stateMask = rec.nStateMask;
    tvis.item.cChildren = rec.nChildren;
    tvis.item.lParam = reinterpret_cast<LPARAM>(data.get());
    HTREEITEM hNew = hParent == TVI_ROOT ? (tvis.hParent = TVI_ROOT, tvis.hInsertAfter = TVI_LAST, InsertItem(tvis))
                                         : InsertLoadedChild(hParent, tvis);
    if (hNew) {
        data->m_hItem = hNew;
        m_items.emplace(data.get(), std::move(data));
    }
    return hNew;
}

ShellItemData* CShellTree::FindData(LPARAM lParam) const {
    auto it = m_items.find(reinterpret_cast<const ShellItemData*>(lParam));
    return it == m_items.end() ? nullptr : it->second.get();
}

const ShellItemData* CShellTree::DataOf(HTREEITEM hItem) const {
    return hItem ? FindData(GetItemData(hItem)) : nullptr;
}

void CShellTree::PopulateChildren(HTREEITEM hItem) {
    const ShellItemData* data = hItem == TVI_ROOT ? nullptr : DataOf(hItem);
    if (!data || !g_pDesktopFolder) return EndPopulate(hItem, true);

    // A big folder takes the shell seconds to list: that happens on a worker (which also finds
    // out whether the folder opens at all), and this thread only inserts finished records in
    // short bursts.
    Job job;
    job.pFill =
        std::make_unique<CShellFolderFill>(CShellPidl::Clone(data->m_pidl.Get()), m_hWnd, WM_SHELLTREE_FILLREADY,
                                           m_pfnDriveType, [this](int nCount) { ReportProgress(0, nCount); });
    CShellFolderFill* fill = job.pFill.get();
    m_jobs.emplace(hItem, std::move(job));
    ReportProgress(0, 0);
    std::erase_if(m_workers,
                  [](const CScopedHandle& worker) { return WaitForSingleObject(worker.Get(), 0) != WAIT_TIMEOUT; });
    if (CScopedHandle worker = fill->Start()) m_workers.push_back(std::move(worker));
}

LRESULT CShellTree::OnFillReady(WPARAM, LPARAM) {
    m_bDrainScheduled = false;
    if (DrainJobs()) ScheduleDrain();
    if (m_pidlToShow) ContinueShowFolder();
    return 0;
}

void CShellTree::ShowFolder(const std::string& strPath) {
    m_pidlToShow.Reset();
    m_hShowExpanded = nullptr;
    if (!m_hWnd || !g_pDesktopFolder || strPath.empty()) return;
    std::wstring wide = AnsiToWide(strPath);
    LPITEMIDLIST pidl = nullptr;
    if (FAILED(g_pDesktopFolder->ParseDisplayName(m_hWnd, nullptr, wide.data(), nullptr, &pidl, nullptr))) return;
    m_pidlToShow.Reset(pidl);
    ContinueShowFolder();
}

void CShellTree::ContinueShowFolder() {
    HTREEITEM hItem = GetRootItem();
    while (hItem) {
        const ShellItemData* data = DataOf(hItem);
        if (!data) break;
        if (ILIsEqual(data->m_pidl.Get(), m_pidlToShow.Get())) {
            m_pidlToShow.Reset();
            SelectItem(hItem);
            EnsureVisible(hItem);
            return;
        }
        // Its listing is on its way: the walk goes on when it ends.
        if (IsFilling(hItem)) return;
        if (!(GetItemState(hItem, TVIS_EXPANDED) & TVIS_EXPANDED)) {
            if (hItem == m_hShowExpanded) break;  // it was listed for this walk, and failed
            m_hShowExpanded = hItem;
            Expand(hItem, TVE_EXPAND);
            if (IsFilling(hItem)) return;
        }
        HTREEITEM hNext = nullptr;
        for (HTREEITEM hChild = GetChildItem(hItem); hChild && !hNext; hChild = GetNextSiblingItem(hChild)) {
            const ShellItemData* child = DataOf(hChild);
            // The folder itself, or one it lies in (a parent is never its own parent).
            if (child && (ILIsEqual(child->m_pidl.Get(), m_pidlToShow.Get()) ||
                          ILIsParent(child->m_pidl.Get(), m_pidlToShow.Get(), FALSE)))
                hNext = hChild;
        }
        hItem = hNext;
    }
    // Out of the tree's reach (a folder it does not list): the selection stays as it was.
    m_pidlToShow.Reset();
}

LRESULT CShellTree::OnTimer(WPARAM wParam, LPARAM lParam) {
    if (wParam != kDrainTimer) return DefWindowProc(WM_TIMER, wParam, lParam);
    KillTimer(m_hWnd, kDrainTimer);
    return OnFillReady(0, 0);
}

void CShellTree::ScheduleDrain() {
    if (m_bDrainScheduled || !m_hWnd) return;
    // A posted message is served before any input: while the user is at the mouse or the
    // keyboard, the next slice waits for a timer, which comes after input and painting.
    if (HIWORD(GetQueueStatus(QS_INPUT)))
        m_bDrainScheduled = SetTimer(m_hWnd, kDrainTimer, USER_TIMER_MINIMUM, nullptr) != 0;
    else
        m_bDrainScheduled = PostMessage(WM_SHELLTREE_FILLREADY, 0, 0) != FALSE;
}

bool CShellTree::DrainJobs() {
    const double start = NowMs();
    for (auto it = m_jobs.begin(); it != m_jobs.end();) {
        const double left = kSliceMs - (NowMs() - start);
        if (left <= 0) return true;
        HTREEITEM hParent = it->first;
        Job& job = it->second;
        // As many as fit in the time left at the last slice's cost per item, laid out with
        // them: the tree view measures each new text and sizes its scroll bars once per slice.
        const size_t n = std::clamp(static_cast<size_t>(left / m_dItemMs), kMinSlice, kMaxSlice);
        std::vector<ShellChildRecord> batch = job.pFill->Take(n);
        if (!batch.empty()) {
            const double t0 = NowMs();
            BeginSlice();
            for (auto& rec : batch) InsertRecord(hParent, std::move(rec));
            job.nInserted += static_cast<int>(batch.size());
            EndSlice();
            m_dItemMs = std::max((NowMs() - t0) / static_cast<double>(batch.size()), kLeastItemMs);
            ReportProgress(0, job.nInserted);
        }
        if (job.pFill->IsDone()) {
            const bool bKeep = job.pFill->Keeps();
            it = m_jobs.erase(it);
            EndPopulate(hParent, bKeep);
        } else if (batch.size() == n) {
            // More is ready: the next slice after what queued up meanwhile.
            return true;
        } else {
            ++it;
        }
    }
    return false;
}

LRESULT CShellTree::OnDeleteItem(NMHDR* pHdr) {
    auto* nm = reinterpret_cast<NMTREEVIEWA*>(pHdr);
    HTREEITEM hItem = nm->itemOld.hItem;
    // A branch still being listed: its worker stops before its item goes.
    m_jobs.erase(hItem);
    ForgetFill(hItem);
    m_items.erase(reinterpret_cast<const ShellItemData*>(nm->itemOld.lParam));
    return 0;
}

std::string CShellTree::PathOf(HTREEITEM hItem) const {
    const ShellItemData* data = DataOf(hItem);
    if (!data || !data->m_bFileSystem || data->m_pidl.IsEmpty()) return std::string();
    wchar_t wide[MAX_PATH] = {};
    if (SHGetPathFromIDListW(data->m_pidl.Get(), wide)) return WideToAnsi(wide, std::wcslen(wide));
    // Longer than MAX_PATH: the parsing name still says which folder it was.
    STRRET name{};
    if (g_pDesktopFolder && SUCCEEDED(g_pDesktopFolder->GetDisplayNameOf(data->m_pidl.Get(), SHGDN_FORPARSING, &name)))
        return StrRetToAnsi(name, data->m_pidl.Get());
    return std::string();
}

LRESULT CShellTree::OnClick(NMHDR*) {
    // The user's choice wins over a folder still being walked to.
    m_pidlToShow.Reset();
    DWORD pos = GetMessagePos();
    TVHITTESTINFO hit{};
    hit.pt.x = static_cast<short>(LOWORD(pos));
    hit.pt.y = static_cast<short>(HIWORD(pos));
    ScreenToClient(m_hWnd, &hit.pt);
    HTREEITEM hItem = HitTest(hit);
    if (!hItem || !(hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON))) return 0;
    if (!DataOf(hItem)) return 0;
    // A click never removes the item: an empty drive, a share out of reach, a folder removed
    // since it was listed, or one whose name the code page cannot carry (its path holds '?')
    // shows no pictures in the panel and stays, to be tried again later.
    const std::string path = PathOf(hItem);
    if (HWND parent = ::GetParent(m_hWnd))
        ::SendMessageA(parent, WM_PANEL_SCANFOLDER, 0, reinterpret_cast<LPARAM>(path.c_str()));
    // The panel's scan runs a loop of its own (the loading text) while the button is still
    // down, so the tree view's own selection of the clicked item never comes: the opened
    // folder is marked, and keeps the keyboard, here.
    SelectItem(hItem);
    ::SetFocus(m_hWnd);
    return 0;
}
