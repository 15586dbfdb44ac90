// What a folder-tree item stands for: its absolute item-identifier list and the folder that
// contains it. Owned by the tree; the tree item's lParam only points at it.
#pragma once
#include "framework/com_ptr.h"
#include "ui/shell_pidl.h"

#include <shlobj.h>
#include <commctrl.h>

struct ShellItemData {
    CComPtrT<IShellFolder> m_pParentFolder;
    CShellPidl m_pidl;  // from the Desktop down
    // Known when the item was listed: a folder of the file system has a path to scan.
    bool m_bFileSystem = false;
    HTREEITEM m_hItem = nullptr;  // the item that points here
};
