#include "ui/shell_folder_fill.h"

#include "framework/com_ptr.h"
#include "framework/scoped_handle.h"
#include "ui/shell_item_describe.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <numeric>

CShellFolderFill::CShellFolderFill(CShellPidl parent, HWND hNotify, UINT nMsg, DriveTypeQuery pfnDriveType,
                                   Progress progress)
    : m_pShared(std::make_shared<Shared>()) {
    m_pShared->parent = std::move(parent);
    m_pShared->hNotify = hNotify;
    m_pShared->nMsg = nMsg;
    m_pShared->pfnDriveType = pfnDriveType;
    m_pShared->progress = std::move(progress);
}

CShellFolderFill::~CShellFolderFill() {
    std::lock_guard<std::mutex> hold(m_pShared->lock);
    m_pShared->bCancel = true;
}

CScopedHandle CShellFolderFill::Start() {
    // The worker may outlive the tree, and the tree the module: it holds the module itself.
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&ThreadProc),
                           &m_pShared->hModule)) {
        auto pWorkers = std::make_unique<std::shared_ptr<Shared>>(m_pShared);
        if (CScopedHandle thread(CreateThread(nullptr, 0, &ThreadProc, pWorkers.get(), 0, nullptr)); thread) {
            (void)pWorkers.release();  // the worker's now
            return thread;
        }
        FreeLibrary(m_pShared->hModule);
    }
    Publish(*m_pShared, {}, true);
    return CScopedHandle();
}

DWORD WINAPI CShellFolderFill::ThreadProc(void* pParam) {
    HMODULE hModule = nullptr;
    {
        std::unique_ptr<std::shared_ptr<Shared>> pShared(static_cast<std::shared_ptr<Shared>*>(pParam));
        hModule = (*pShared)->hModule;
        Run(**pShared);
    }  // the shared part goes here when the fill went first
    // Ends the thread without returning into code that may be unloaded by then.
    FreeLibraryAndExitThread(hModule, 0);
}

std::vector<ShellChildRecord> CShellFolderFill::Take(size_t nMax) {
    std::lock_guard<std::mutex> hold(m_pShared->lock);
    std::deque<ShellChildRecord>& ready = m_pShared->ready;
    std::vector<ShellChildRecord> out;
    const size_t n = std::min(nMax, ready.size());
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        out.push_back(std::move(ready.front()));
        ready.pop_front();
    }
    return out;
}

bool CShellFolderFill::IsDone() {
    std::lock_guard<std::mutex> hold(m_pShared->lock);
    return m_pShared->bFinished && m_pShared->ready.empty();
}

bool CShellFolderFill::Keeps() {
    std::lock_guard<std::mutex> hold(m_pShared->lock);
    return m_pShared->bKeep;
}

void CShellFolderFill::Run(Shared& shared) {
    // The shell's objects of this thread live in its own apartment; nothing of them leaves it.
    const HRESULT hrInit = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    try {
        List(shared);
    } catch (...) {
        Publish(shared, {}, true);
    }
    if (SUCCEEDED(hrInit)) CoUninitialize();
}

void CShellFolderFill::Publish(Shared& shared, std::vector<ShellChildRecord> records, bool bKeep) {
    // The worker's own list goes before the end is told: a count of live lists taken once
    // the tree has finished sees none of this fill's.
    shared.parent.Reset();
    std::lock_guard<std::mutex> hold(shared.lock);
    if (shared.bCancel) return;
    for (auto& rec : records) shared.ready.push_back(std::move(rec));
    shared.bKeep = bKeep;
    shared.bFinished = true;
    PostMessageA(shared.hNotify, shared.nMsg, 0, 0);
}

namespace {

bool ShellLess(IShellFolder* folder, LPCITEMIDLIST a, LPCITEMIDLIST b) {
    HRESULT hr = folder->CompareIDs(0, a, b);
    return SUCCEEDED(hr) && static_cast<short>(HRESULT_CODE(hr)) < 0;
}

// The shell's own order, decided by the folder the items came from. Asking it for every
// comparison of a big folder costs more than listing it; the display names' sort keys give
// that order nearly always, so the shell only confirms each neighbouring pair, and sorts
// everything itself when one pair disagrees.
std::vector<size_t> ShellOrder(IShellFolder* folder, const std::vector<CShellPidl>& children,
                               const std::vector<ShellChildRecord>& records) {
    std::vector<size_t> order(records.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::vector<std::string> keys(records.size());
    char buffer[512];
    for (size_t i = 0; i < records.size(); ++i) {
        const char* text = records[i].strText.c_str();
        // Nearly every key fits the buffer: one call instead of asking for the size first.
        int n = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text, -1, buffer, sizeof buffer);
        if (n > 0) {
            keys[i].assign(buffer, static_cast<size_t>(n));
        } else if ((n = LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text, -1, nullptr, 0)) > 0) {
            keys[i].resize(static_cast<size_t>(n));
            LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY | NORM_IGNORECASE, text, -1, keys[i].data(), n);
        }
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
    for (size_t i = 1; i < order.size(); ++i) {
        if (ShellLess(folder, children[order[i]].Get(), children[order[i - 1]].Get())) {
            std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
                return ShellLess(folder, children[a].Get(), children[b].Get());
            });
            break;
        }
    }
    return order;
}

}  // namespace

void CShellFolderFill::List(Shared& shared) {
    CComPtrT<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Receive()))) return Publish(shared, {}, true);
    CComPtrT<IShellFolder> folder;
    const CShellPidl& parent = shared.parent;
    if (parent.IsEmpty())
        folder = desktop;
    else if (FAILED(desktop->BindToObject(parent.Get(), nullptr, IID_IShellFolder, folder.ReceiveVoid())))
        folder.Release();
    // A folder that cannot be opened has no children to offer: its button goes.
    if (!folder) return Publish(shared, {}, true);

    std::vector<CShellPidl> children;
    std::vector<ShellChildRecord> records;
    CComPtrT<IEnumIDList> items;
    if (folder->EnumObjects(shared.hNotify, SHCONTF_FOLDERS, items.Receive()) == S_OK && items) {
        LPITEMIDLIST child = nullptr;
        while (items->Next(1, &child, nullptr) == S_OK) {
            CShellPidl relative(child);
            if (!relative) continue;
            records.push_back(
                DescribeShellItem(folder.Get(), relative.Get(), CShellPidl::Concat(parent.Get(), relative.Get())));
            children.push_back(std::move(relative));
            std::lock_guard<std::mutex> hold(shared.lock);
            if (shared.bCancel) return;  // the tree is gone or no longer wants this branch
            // Waking the progress thread is a round trip to the system: every so often is enough.
            if (shared.progress && records.size() % 64 == 1) shared.progress(static_cast<int>(records.size()));
        }
    }

    std::vector<size_t> order = ShellOrder(folder.Get(), children, records);
    std::vector<ShellChildRecord> sorted;
    sorted.reserve(records.size());
    for (size_t i : order) sorted.push_back(std::move(records[i]));

    // Found empty: that stands on a fixed disk and outside the file system; on a removable,
    // optical or network drive the medium may come later, so the button stays.
    bool bKeep = true;
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(parent.Get(), path) && path[0]) {
        path[3] = '\0';
        bKeep = shared.pfnDriveType(path) == DRIVE_FIXED;
    }
    Publish(shared, std::move(sorted), bKeep);
}
