// Everything the folder tree shows for one folder, computed once when the folder is listed so
// that painting never calls into the shell.
#pragma once
#include "ui/shell_pidl.h"

#include <string>

struct ShellChildRecord {
    CShellPidl pidl;  // absolute
    std::string strText;
    int nImage = 0;
    int nSelectedImage = 0;
    UINT nState = 0;
    UINT nStateMask = 0;
    int nChildren = 0;
    bool bFileSystem = false;
};
