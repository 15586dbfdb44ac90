// Computes what the folder tree shows for one shell item: its display name, the system's small
// icons, the dimmed and overlay states and whether it gets an expand button.
#pragma once
#include "ui/shell_child_record.h"

#include <shlobj.h>

// folder contains relative; absolute is the same item from the Desktop down (kept in the record).
// Safe on any thread that has initialised COM.
ShellChildRecord DescribeShellItem(IShellFolder* folder, LPCITEMIDLIST relative, CShellPidl absolute);

// The ANSI text of a STRRET from item; a wide string in it is freed with the shell's allocator.
std::string StrRetToAnsi(STRRET& str, LPCITEMIDLIST item);
