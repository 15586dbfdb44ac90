// What a folder-tree item stands for: its absolute item-identifier list. Owned by the tree;
// the tree item's lParam only points at it.
#pragma once
#include "ui/shell_pidl.h"

#include <shlobj.h>
#include <commctrl.h>

struct ShellItemData {
    CShellPidl m_pidl;  // from the Desktop down
    // Known when the item was listed: a folder of the file system has a path to scan.
    bool m_bFileSystem = false;
    HTREEITEM m_hItem = nullptr;  // the item that points here
};
