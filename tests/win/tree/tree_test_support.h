// Helpers of the folder-tree tests: a parent window that records the tree's reports, walking
// and clicking the tree as a user would.
#pragma once
#include "framework/wnd.h"
#include "ui/shell_tree.h"

#include <string>
#include <vector>

// A framework window (so that it reflects the tree's notifications) keeping every path it is sent.
class CRecorderWnd : public CWnd {
public:
    bool Create(HWND hParent, const RECT& rc);
    std::vector<std::string> m_folders;

protected:
    LRESULT OnFolder(WPARAM, LPARAM lParam) {
        m_folders.emplace_back(lParam ? reinterpret_cast<const char*>(lParam) : "<null>");
        return 1;
    }
    BEGIN_MESSAGE_MAP(CRecorderWnd, CWnd)
        ON_MESSAGE(WM_PANEL_SCANFOLDER, OnFolder)
    END_MESSAGE_MAP()
};

// Waits (pumping messages) until no branch of the tree is being filled.
bool WaitFilled(const CShellTree& tree, DWORD timeoutMs = 20000);
// Expands hItem and waits for its children.
bool ExpandAndWait(CShellTree& tree, HTREEITEM hItem);
std::vector<HTREEITEM> Children(const CShellTree& tree, HTREEITEM hItem);
std::string TextOf(const CShellTree& tree, HTREEITEM hItem);
int ChildrenFlag(const CShellTree& tree, HTREEITEM hItem);
// The computer folder among the Desktop's children.
HTREEITEM ComputerItem(const CShellTree& tree);
// Expands from the Desktop down to the folder at path; null when it is not reached.
HTREEITEM ExpandToPath(CShellTree& tree, const std::string& path);
// Presses and releases the left button over the item's label (or its expand button).
void ClickItem(CShellTree& tree, HTREEITEM hItem, bool bOnButton = false);
