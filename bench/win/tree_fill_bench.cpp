// The folder tree opening a folder of 5,000 subfolders, from the click on its expand button
// until the branch is painted.
//   bench_tree_fill.exe       the fill against the least any fill on the system tree view
//                             costs, measured in the same run: the bare enumeration asking
//                             what the fill asks, plus the bare tree view showing the same
//                             items and given the same names under the open branch (inserted,
//                             laid out, painted once)
//   bench_tree_fill.exe ui    the longest the user-interface thread leaves a posted message
//                             waiting during the fill, from a thread posting one every 2 ms
#include "bench_clock.h"
#include "framework/wnd.h"
#include "ui/shell_tree.h"

#include <ole2.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kFolders = 5000;
constexpr int kRounds = 9;
constexpr UINT WM_PROBE = WM_APP + 1;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void PumpUntilFilled(const CShellTree& tree) {
    while (tree.IsFilling()) {
        Pump();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
    }
    Pump();
}

// Notifications come back to the tree through its parent's window object.
class CHostWnd : public CWnd {};

// The absolute identifier list of a path, as the shell parses it.
CShellPidl ParsePath(IShellFolder* desktop, const std::string& path) {
    std::wstring wide(path.begin(), path.end());
    LPITEMIDLIST pidl = nullptr;
    ULONG eaten = 0;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide.data(), &eaten, &pidl, nullptr))) pidl = nullptr;
    return CShellPidl(pidl);
}

std::string StrRetText(STRRET& str, LPCITEMIDLIST item) {
    std::string text;
    if (str.uType == STRRET_WSTR && str.pOleStr) {
        char buf[MAX_PATH];
        WideCharToMultiByte(CP_ACP, 0, str.pOleStr, -1, buf, sizeof buf, nullptr, nullptr);
        text = buf;
        CoTaskMemFree(str.pOleStr);
    } else if (str.uType == STRRET_OFFSET) {
        text = reinterpret_cast<const char*>(item) + str.uOffset;
    } else if (str.uType == STRRET_CSTR) {
        text = str.cStr;
    }
    return text;
}

// What any fill has to ask the shell: each subfolder's name and the attributes its item shows
// (dimmed, overlays, file system, whether it has subfolders of its own).
std::vector<std::string> BareEnumeration(IShellFolder* desktop, const std::string& path) {
    std::vector<std::string> names;
    CShellPidl pidl = ParsePath(desktop, path);
    IShellFolder* folder = nullptr;
    if (FAILED(desktop->BindToObject(pidl.Get(), nullptr, IID_IShellFolder, reinterpret_cast<void**>(&folder))))
        return names;
    IEnumIDList* items = nullptr;
    if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS, &items) == S_OK && items) {
        LPITEMIDLIST child = nullptr;
        while (items->Next(1, &child, nullptr) == S_OK) {
            CShellPidl owned(child);
            STRRET name{};
            if (SUCCEEDED(folder->GetDisplayNameOf(child, SHGDN_INFOLDER, &name)))
                names.push_back(StrRetText(name, child));
            LPCITEMIDLIST one[] = {child};
            SFGAOF attrs = SFGAO_FOLDER | SFGAO_GHOSTED | SFGAO_SHARE | SFGAO_LINK | SFGAO_REMOVABLE | SFGAO_FILESYSTEM;
            folder->GetAttributesOf(1, one, &attrs);
            SFGAOF sub = SFGAO_HASSUBFOLDER;
            folder->GetAttributesOf(1, one, &sub);
        }
        items->Release();
    }
    folder->Release();
    return names;
}

HIMAGELIST SystemSmallIcons() {
    SHFILEINFOA info{};
    return reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("C:\\", 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
}

// What the folder tree shows once the branch is open, without the branch's children: every
// item with its text, icons and button, which are open, and which one is the branch.
struct ViewItem {
    std::string strText;
    int nImage = 0, nSelectedImage = 0, nChildren = 0;
    bool bExpanded = false, bBranch = false;
    std::vector<ViewItem> children;
};

std::vector<ViewItem> CopyView(const CShellTree& tree, HTREEITEM hFirst, HTREEITEM hBranch) {
    std::vector<ViewItem> items;
    for (HTREEITEM h = hFirst; h; h = tree.GetNextSiblingItem(h)) {
        char text[MAX_PATH] = {};
        TVITEMA tvi{};
        tvi.hItem = h;
        tvi.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN | TVIF_STATE;
        tvi.stateMask = TVIS_EXPANDED;
        tvi.pszText = text;
        tvi.cchTextMax = sizeof text;
        tree.GetItem(tvi);
        ViewItem item{text,         tvi.iImage, tvi.iSelectedImage, tvi.cChildren, (tvi.state & TVIS_EXPANDED) != 0,
                      h == hBranch, {}};
        if (!item.bBranch && item.bExpanded) item.children = CopyView(tree, tree.GetChildItem(h), hBranch);
        items.push_back(std::move(item));
    }
    return items;
}

HTREEITEM InsertView(HWND tree, HTREEITEM hParent, const std::vector<ViewItem>& items) {
    HTREEITEM hBranch = nullptr;
    for (const ViewItem& item : items) {
        TVINSERTSTRUCTA tvis{};
        tvis.hParent = hParent;
        tvis.hInsertAfter = TVI_LAST;
        tvis.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
        tvis.item.pszText = const_cast<char*>(item.strText.c_str());
        tvis.item.iImage = item.nImage;
        tvis.item.iSelectedImage = item.nSelectedImage;
        tvis.item.cChildren = item.nChildren;
        auto h = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&tvis)));
        if (item.bBranch) hBranch = h;
        if (HTREEITEM hFound = InsertView(tree, h, item.children)) hBranch = hFound;
        if (item.bExpanded && !item.bBranch) SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(h));
    }
    return hBranch;
}

// The system tree view alone, showing what the folder tree shows, given the same names under
// the open branch: inserted with drawing off, laid out once (each text measured, the scroll
// bars sized) when drawing comes back on, and painted once.
double BareTreeView(HWND parent, const std::vector<ViewItem>& view, int nChildImage, int nChildSelectedImage,
                    const std::vector<std::string>& names) {
    HWND tree = CreateWindowExA(WS_EX_CLIENTEDGE, "SysTreeView32", "", 0x50000007, 0, 0, 300, 600, parent, nullptr,
                                nullptr, nullptr);
    SendMessageA(tree, TVM_SETIMAGELIST, TVSIL_NORMAL, reinterpret_cast<LPARAM>(SystemSmallIcons()));
    const HTREEITEM hBranch = InsertView(tree, TVI_ROOT, view);
    TVINSERTSTRUCTA tvis{};
    tvis.hParent = hBranch;
    tvis.hInsertAfter = TVI_LAST;
    tvis.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_CHILDREN;
    tvis.item.iImage = nChildImage;
    tvis.item.iSelectedImage = nChildSelectedImage;
    tvis.item.pszText = const_cast<char*>(names.front().c_str());
    SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&tvis));
    // Open with one child, scrolled as the folder tree is when its button is clicked: a branch
    // without children does not open.
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(hBranch));
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(hBranch));
    UpdateWindow(tree);
    const double t0 = Millis();
    SendMessageA(tree, WM_SETREDRAW, FALSE, 0);
    for (size_t i = 1; i < names.size(); ++i) {
        tvis.item.pszText = const_cast<char*>(names[i].c_str());
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&tvis));
    }
    SendMessageA(tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(tree, nullptr, TRUE);
    UpdateWindow(tree);
    const double t1 = Millis();
    DestroyWindow(tree);
    return t1 - t0;
}

// Presses and releases the left button on the item's expand button, as a user does.
bool ClickExpandButton(CShellTree& tree, HTREEITEM item) {
    tree.EnsureVisible(item);
    UpdateWindow(tree.m_hWnd);
    RECT rc{};
    if (!tree.GetItemRect(item, rc, TRUE)) return false;
    TVHITTESTINFO hit{};
    hit.pt.y = (rc.top + rc.bottom) / 2;
    for (hit.pt.x = 0; hit.pt.x < rc.left; ++hit.pt.x) {
        if (tree.HitTest(hit) == item && (hit.flags & TVHT_ONITEMBUTTON)) {
            POINT screen = hit.pt;
            ClientToScreen(tree.m_hWnd, &screen);
            SetCursorPos(screen.x, screen.y);
            const LPARAM at = MAKELPARAM(hit.pt.x, hit.pt.y);
            PostMessageA(tree.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageA(tree.m_hWnd, WM_LBUTTONUP, 0, at);
            return true;
        }
    }
    return false;
}

// The tree's item for path, expanding each folder on the way from the computer down.
HTREEITEM Reach(CShellTree& tree, IShellFolder* desktop, const std::string& path) {
    LPITEMIDLIST drives = nullptr;
    SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives);
    CShellPidl computer(drives);
    HTREEITEM at = nullptr;
    for (HTREEITEM c = tree.GetChildItem(tree.GetRootItem()); c; c = tree.GetNextSiblingItem(c))
        if (const ShellItemData* d = tree.DataOf(c))
            if (HRESULT_CODE(desktop->CompareIDs(0, d->m_pidl.Get(), computer.Get())) == 0) at = c;
    while (at) {
        std::string here = tree.PathOf(at);
        if (lstrcmpiA(here.c_str(), path.c_str()) == 0) return at;
        tree.Expand(at, TVE_EXPAND);
        PumpUntilFilled(tree);
        HTREEITEM next = nullptr;
        size_t best = 0;
        for (HTREEITEM c = tree.GetChildItem(at); c; c = tree.GetNextSiblingItem(c)) {
            std::string p = tree.PathOf(c);
            bool prefix = !p.empty() && p.size() <= path.size() &&
                          lstrcmpiA(path.substr(0, p.size()).c_str(), p.c_str()) == 0 &&
                          (p.size() == path.size() || p.back() == '\\' || path[p.size()] == '\\');
            if (prefix && p.size() > best) {
                best = p.size();
                next = c;
            }
        }
        at = next;
    }
    return nullptr;
}

// Answers the prober's messages on the user-interface thread, keeping the longest wait.
class CProbeWnd : public CWnd {
public:
    double m_dWorst = 0;
    int m_nAnswered = 0;

protected:
    LRESULT OnProbe(WPARAM, LPARAM lParam) {
        // The poster's time in microseconds, modulo 2^32: differences stay right across a wrap.
        const auto now = static_cast<DWORD>(Millis() * 1000.0);
        m_dWorst = std::max(m_dWorst, static_cast<DWORD>(now - static_cast<DWORD>(lParam)) / 1000.0);
        ++m_nAnswered;
        return 0;
    }
    BEGIN_MESSAGE_MAP(CProbeWnd, CWnd)
        ON_MESSAGE(WM_PROBE, OnProbe)
    END_MESSAGE_MAP()
};

struct Round {
    double dFill = 0;       // click to painted
    double dWorstWait = 0;  // longest unanswered posted message meanwhile
    int nAnswered = 0;
    int nListed = 0;
    std::vector<ViewItem> view;  // what the tree showed besides the branch's children
    int nChildImage = 0, nChildSelectedImage = 0;
};

// One fill in a fresh tree; with a probe window, another thread posts to it meanwhile.
Round FillOnce(HWND frame, IShellFolder* desktop, const std::string& folder, CProbeWnd* probe) {
    Round r;
    CHostWnd host;
    host.CreateEx(0, CWnd::RegisterWndClass(0), "", WS_CHILD | WS_VISIBLE, RECT{0, 0, 300, 600}, frame, 1);
    auto tree = std::make_unique<CShellTree>();
    tree->CreateEx(WS_EX_CLIENTEDGE, "SysTreeView32", "ShellTree Control", 0x50000007, RECT{0, 0, 300, 600},
                   host.m_hWnd, 0);
    tree->InitRoot();
    tree->m_bShowLoading = 1;
    PumpUntilFilled(*tree);
    HTREEITEM item = Reach(*tree, desktop, folder);
    if (!item) return r;
    UpdateWindow(tree->m_hWnd);
    Pump();

    std::atomic<bool> stop{false};
    std::thread poster;
    if (probe) {
        probe->m_dWorst = 0;
        probe->m_nAnswered = 0;
        HWND target = probe->m_hWnd;
        poster = std::thread([&stop, target] {
            while (!stop) {
                PostMessageA(target, WM_PROBE, 0, static_cast<LPARAM>(static_cast<DWORD>(Millis() * 1000.0)));
                Sleep(2);
            }
        });
    }
    const double t0 = Millis();
    if (ClickExpandButton(*tree, item)) {
        // The click is in the queue: the fill starts when it is handled.
        while (!tree->IsFilling(item) && !(tree->GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED)) {
            Pump();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        }
        PumpUntilFilled(*tree);
        UpdateWindow(tree->m_hWnd);
    }
    r.dFill = Millis() - t0;
    stop = true;
    if (poster.joinable()) poster.join();
    Pump();
    if (probe) {
        r.dWorstWait = probe->m_dWorst;
        r.nAnswered = probe->m_nAnswered;
    }
    for (HTREEITEM c = tree->GetChildItem(item); c; c = tree->GetNextSiblingItem(c)) ++r.nListed;
    r.view = CopyView(*tree, tree->GetRootItem(), item);
    if (HTREEITEM hChild = tree->GetChildItem(item)) {
        TVITEMA tvi{};
        tvi.hItem = hChild;
        tvi.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        tree->GetItem(tvi);
        r.nChildImage = tvi.iImage;
        r.nChildSelectedImage = tvi.iSelectedImage;
    }
    tree.reset();
    host.DestroyWindow();
    Pump();
    return r;
}

int BenchFill(HWND frame, IShellFolder* desktop, const std::string& folder) {
    std::vector<double> fill, enumeration, view, ratio;
    int listed = 0;
    size_t names = 0;
    // Each round's fill against its own peer, measured right after it: the machine's load
    // changes from one second to the next, less within one round.
    for (int round = 0; round < kRounds; ++round) {
        Round r = FillOnce(frame, desktop, folder, nullptr);
        listed = r.nListed;
        const double t0 = Millis();
        std::vector<std::string> found = BareEnumeration(desktop, folder);
        const double t1 = Millis();
        names = found.size();
        if (found.empty() || listed != kFolders) break;
        fill.push_back(r.dFill);
        enumeration.push_back(t1 - t0);
        view.push_back(BareTreeView(frame, r.view, r.nChildImage, r.nChildSelectedImage, found));
        ratio.push_back(fill.back() / (enumeration.back() + view.back()));
    }
    if (listed != kFolders || names != static_cast<size_t>(kFolders)) {
        std::printf("bench tree-fill: %d items filled, %zu enumerated, of %d\n", listed, names, kFolders);
        return 1;
    }
    std::printf(
        "tree fill of %d subfolders, click to painted: %.1f ms; bare enumeration %.1f ms + bare tree "
        "view %.1f ms (medians of %d rounds); ratio per round %.2f to %.2f\n",
        listed, Median(fill), Median(enumeration), Median(view), kRounds, *std::min_element(ratio.begin(), ratio.end()),
        *std::max_element(ratio.begin(), ratio.end()));
    std::printf("bench tree-fill: ratio %.2f (target <= 1.25)\n", Median(ratio));
    return 0;
}

int BenchUi(HWND frame, IShellFolder* desktop, const std::string& folder) {
    CProbeWnd probe;
    probe.CreateEx(0, CWnd::RegisterWndClass(0), "", WS_CHILD, RECT{0, 0, 1, 1}, frame, 2);
    std::vector<double> worst;
    int answered = 0;
    for (int round = 0; round < kRounds; ++round) {
        Round r = FillOnce(frame, desktop, folder, &probe);
        if (r.nListed != kFolders || r.nAnswered == 0) {
            std::printf("bench tree-ui: %d items filled, %d probes answered\n", r.nListed, r.nAnswered);
            return 1;
        }
        worst.push_back(r.dWorstWait);
        answered += r.nAnswered;
    }
    std::printf(
        "longest wait for a posted message during a fill of %d subfolders: median of %d fills %.1f ms "
        "(%.1f to %.1f), %d probes answered\n",
        kFolders, kRounds, Median(worst), *std::min_element(worst.begin(), worst.end()),
        *std::max_element(worst.begin(), worst.end()), answered);
    std::printf("bench tree-ui: worst %.0f ms (target <= 50)\n", Median(worst));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    // Kept between runs: making 5,000 folders under Wine takes longer than the measurement.
    const std::string folder = std::string(temp) + "tessaline-tree-fill-bench";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < kFolders; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "\\folder%04d", i);
        CreateDirectoryA((folder + name).c_str(), nullptr);
    }
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    HWND frame = CreateWindowExA(0, "STATIC", "tree fill", WS_POPUP | WS_VISIBLE, 0, 0, 300, 600, nullptr, nullptr,
                                 nullptr, nullptr);
    const bool ui = argc > 1 && std::strcmp(argv[1], "ui") == 0;
    const int status = ui ? BenchUi(frame, desktop, folder) : BenchFill(frame, desktop, folder);
    DestroyWindow(frame);
    desktop->Release();
    OleUninitialize();
    return status;
}
