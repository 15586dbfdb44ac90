#include "ui/shell_folder_fill.h"

#include "framework/com_ptr.h"
#include "ui/shell_item_describe.h"

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <numeric>

CShellFolderFill::CShellFolderFill(CShellPidl parent, HWND hNotify, UINT nMsg, DriveTypeQuery pfnDriveType,
                                   Progress progress)
    : m_parent(std::move(parent)),
      m_hNotify(hNotify),
      m_nMsg(nMsg),
      m_pfnDriveType(pfnDriveType),
      m_progress(std::move(progress)) {}

CShellFolderFill::~CShellFolderFill() {
    m_bCancel = true;
    if (m_thread.joinable()) m_thread.join();
}

void CShellFolderFill::Start() {
    m_thread = std::thread([this] { Run(); });
}

std::vector<ShellChildRecord> CShellFolderFill::Take(size_t nMax) {
    std::lock_guard<std::mutex> hold(m_lock);
    std::vector<ShellChildRecord> out;
    const size_t n = std::min(nMax, m_ready.size());
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        out.push_back(std::move(m_ready.front()));
        m_ready.pop_front();
    }
    return out;
}

bool CShellFolderFill::IsDone() {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_bFinished && m_ready.empty();
}

void CShellFolderFill::Run() {
    // The shell's objects of this thread live in its own apartment; nothing of them leaves it.
    const HRESULT hrInit = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    try {
        List();
    } catch (...) {
        Publish({}, true);
    }
    if (SUCCEEDED(hrInit)) CoUninitialize();
}

void CShellFolderFill::Publish(std::vector<ShellChildRecord> records, bool bKeep) {
    m_bKeep = bKeep;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        for (auto& rec : records) m_ready.push_back(std::move(rec));
        m_bFinished = true;
    }
    PostMessageA(m_hNotify, m_nMsg, 0, 0);
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

void CShellFolderFill::List() {
    CComPtrT<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Receive()))) return Publish({}, true);
    CComPtrT<IShellFolder> folder;
    if (m_parent.IsEmpty())
        folder = desktop;
    else if (FAILED(desktop->BindToObject(m_parent.Get(), nullptr, IID_IShellFolder, folder.ReceiveVoid())))
        folder.Release();
    // A folder that cannot be opened has no children to offer: its button goes.
    if (!folder) return Publish({}, true);

    std::vector<CShellPidl> children;
    std::vector<ShellChildRecord> records;
    CComPtrT<IEnumIDList> items;
    // No owner window: this thread must not raise the shell's dialogs over another thread's window.
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS, items.Receive()) == S_OK && items) {
        LPITEMIDLIST child = nullptr;
        while (!m_bCancel && items->Next(1, &child, nullptr) == S_OK) {
            CShellPidl relative(child);
            if (!relative) continue;
            records.push_back(
                DescribeShellItem(folder.Get(), relative.Get(), CShellPidl::Concat(m_parent.Get(), relative.Get())));
            children.push_back(std::move(relative));
            // Waking the progress thread is a round trip to the system: every so often is enough.
            if (m_progress && records.size() % 64 == 1) m_progress(static_cast<int>(records.size()));
        }
    }
    if (m_bCancel) return;  // the tree is gone or no longer wants this branch

    std::vector<size_t> order = ShellOrder(folder.Get(), children, records);
    std::vector<ShellChildRecord> sorted;
    sorted.reserve(records.size());
    for (size_t i : order) sorted.push_back(std::move(records[i]));

    // Found empty: that stands on a fixed disk and outside the file system; on a removable,
    // optical or network drive the medium may come later, so the button stays.
    bool bKeep = true;
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(m_parent.Get(), path) && path[0]) {
        path[3] = '\0';
        bKeep = m_pfnDriveType(path) == DRIVE_FIXED;
    }
    Publish(std::move(sorted), bKeep);
}
