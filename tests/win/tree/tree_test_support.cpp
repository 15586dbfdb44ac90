#include "tree_test_support.h"

#include "test_support.h"

#include <shlobj.h>

bool CRecorderWnd::Create(HWND hParent, const RECT& rc) {
    return CreateEx(0, RegisterWndClass(0), "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, rc, hParent, 7) != FALSE;
}

bool WaitFilled(const CShellTree& tree, DWORD timeoutMs) {
    return PumpUntil([&] { return !tree.IsFilling(); }, timeoutMs);
}

bool ExpandAndWait(CShellTree& tree, HTREEITEM hItem) {
    tree.Expand(hItem, TVE_EXPAND);
    return WaitFilled(tree);
}

std::vector<HTREEITEM> Children(const CShellTree& tree, HTREEITEM hItem) {
    std::vector<HTREEITEM> out;
    for (HTREEITEM c = tree.GetChildItem(hItem); c; c = tree.GetNextSiblingItem(c)) out.push_back(c);
    return out;
}

std::string TextOf(const CShellTree& tree, HTREEITEM hItem) {
    char text[520] = {};
    TVITEMA item{};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = hItem;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    tree.GetItem(item);
    return text;
}

int ChildrenFlag(const CShellTree& tree, HTREEITEM hItem) {
    TVITEMA item{};
    item.mask = TVIF_CHILDREN | TVIF_HANDLE;
    item.hItem = hItem;
    tree.GetItem(item);
    return item.cChildren;
}

HTREEITEM ComputerItem(const CShellTree& tree) {
    LPITEMIDLIST drives = nullptr;
    SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives);
    CShellPidl computer(drives);
    IShellFolder* desktop = nullptr;
    SHGetDesktopFolder(&desktop);
    HTREEITEM found = nullptr;
    for (HTREEITEM c : Children(tree, tree.GetRootItem())) {
        const ShellItemData* data = tree.DataOf(c);
        if (data && desktop && HRESULT_CODE(desktop->CompareIDs(0, data->m_pidl.Get(), computer.Get())) == 0) found = c;
    }
    if (desktop) desktop->Release();
    return found;
}

namespace {
std::string Lower(std::string s) {
    CharLowerBuffA(s.data(), static_cast<DWORD>(s.size()));
    return s;
}
bool IsPrefixFolder(const std::string& prefix, const std::string& path) {
    if (prefix.empty() || prefix.size() > path.size()) return false;
    if (Lower(path.substr(0, prefix.size())) != Lower(prefix)) return false;
    return prefix.size() == path.size() || prefix.back() == '\\' || path[prefix.size()] == '\\';
}
}  // namespace

HTREEITEM ExpandToPath(CShellTree& tree, const std::string& path) {
    HTREEITEM at = tree.GetRootItem();
    if (!at || !WaitFilled(tree)) return nullptr;
    at = ComputerItem(tree);
    while (at) {
        if (Lower(tree.PathOf(at)) == Lower(path)) return at;
        if (!ExpandAndWait(tree, at)) return nullptr;
        HTREEITEM next = nullptr;
        size_t best = 0;
        for (HTREEITEM c : Children(tree, at)) {
            std::string p = tree.PathOf(c);
            if (IsPrefixFolder(p, path) && p.size() > best) {
                best = p.size();
                next = c;
            }
        }
        at = next;
    }
    return nullptr;
}

void ClickItem(CShellTree& tree, HTREEITEM hItem, bool bOnButton) {
    tree.EnsureVisible(hItem);
    PumpFor(20);
    RECT rc{};
    tree.GetItemRect(hItem, rc, TRUE);
    POINT pt{bOnButton ? rc.left - 28 : (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    if (bOnButton) {
        // The button sits left of the icon, which sits left of the label.
        int icon = GetSystemMetrics(SM_CXSMICON);
        pt.x = rc.left - icon - 3 - 8;
    }
    POINT screen = pt;
    ClientToScreen(tree.m_hWnd, &screen);
    // The tree reads the click's place from the message position: the cursor is put there too.
    SetCursorPos(screen.x, screen.y);
    PostMessageA(tree.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(pt.x, pt.y));
    PostMessageA(tree.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(pt.x, pt.y));
    PumpFor(60);
}
