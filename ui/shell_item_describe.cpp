#include "ui/shell_item_describe.h"

#include "framework/text.h"

#include <commctrl.h>
#include <cwchar>
#include <mutex>

std::string StrRetToAnsi(STRRET& str, LPCITEMIDLIST item) {
    switch (str.uType) {
    case STRRET_WSTR: {
        std::string text = str.pOleStr ? WideToAnsi(str.pOleStr, std::wcslen(str.pOleStr)) : std::string();
        CShellPidl::FreeShellMemory(str.pOleStr);
        str.pOleStr = nullptr;
        return text;
    }
    case STRRET_OFFSET: return item ? std::string(reinterpret_cast<const char*>(item) + str.uOffset) : std::string();
    case STRRET_CSTR: return std::string(str.cStr, strnlen(str.cStr, sizeof str.cStr));
    default: return std::string();
    }
}

namespace {

// Older headers lack it: also name items that are not files.
#ifndef SHGDN_INCLUDE_NONFILESYS
constexpr DWORD SHGDN_INCLUDE_NONFILESYS = 0x2000;
#endif

int SmallIconIndex(LPCITEMIDLIST absolute, UINT extra) {
    SHFILEINFOA info{};
    // With SHGFI_SYSICONINDEX the answer is the system image list; the index comes back in info.
    if (!SHGetFileInfoA(reinterpret_cast<LPCSTR>(absolute), 0, &info, sizeof info,
                        SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON | extra))
        return 0;
    return info.iIcon;
}

// A folder of the disk that can show nothing but the ordinary folder icon: the system honours a
// folder's own desktop.ini only when the folder is marked system or read-only, and links and
// shares get overlays, not icons of their own.
bool IsPlainFolder(IShellFolder* folder, LPCITEMIDLIST relative, SFGAOF attrs) {
    constexpr SFGAOF kNeeded = SFGAO_FOLDER | SFGAO_FILESYSTEM;
    if ((attrs & kNeeded) != kNeeded || (attrs & (SFGAO_LINK | SFGAO_REMOVABLE))) return false;
    WIN32_FIND_DATAW data{};
    // Read from the identifier itself: no disk access.
    if (FAILED(SHGetDataFromIDListW(folder, relative, SHGDFIL_FINDDATA, &data, sizeof data))) return false;
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
           !(data.dwFileAttributes & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY));
}

// Looking an icon up costs the shell milliseconds (registry, desktop.ini); the ordinary folder's
// two indices in the process's system list are asked once and kept.
void PlainFolderIcons(LPCITEMIDLIST absolute, int& nImage, int& nOpenImage) {
    static std::mutex s_lock;
    static bool s_bKnown = false;
    static int s_nImage = 0, s_nOpen = 0;
    std::lock_guard<std::mutex> hold(s_lock);
    if (!s_bKnown) {
        s_nImage = SmallIconIndex(absolute, 0);
        s_nOpen = SmallIconIndex(absolute, SHGFI_OPENICON);
        s_bKnown = true;
    }
    nImage = s_nImage;
    nOpenImage = s_nOpen;
}

}  // namespace

ShellChildRecord DescribeShellItem(IShellFolder* folder, LPCITEMIDLIST relative, CShellPidl absolute) {
    ShellChildRecord rec;
    rec.pidl = std::move(absolute);
    if (!folder || !relative) return rec;

    STRRET name{};
    name.uType = STRRET_CSTR;
    if (SUCCEEDED(folder->GetDisplayNameOf(relative, SHGDN_INFOLDER | SHGDN_INCLUDE_NONFILESYS, &name)))
        rec.strText = StrRetToAnsi(name, relative);

    // One question for everything but the subfolder test, which may have to read the medium.
    SFGAOF attrs = SFGAO_FOLDER | SFGAO_GHOSTED | SFGAO_SHARE | SFGAO_LINK | SFGAO_REMOVABLE | SFGAO_FILESYSTEM;
    LPCITEMIDLIST one[] = {relative};
    if (FAILED(folder->GetAttributesOf(1, one, &attrs))) attrs = 0;
    rec.bFileSystem = (attrs & SFGAO_FILESYSTEM) != 0;
    if (attrs & SFGAO_GHOSTED) {
        rec.nState |= TVIS_CUT;
        rec.nStateMask |= TVIS_CUT;
    }
    if (attrs & (SFGAO_SHARE | SFGAO_LINK)) {
        rec.nState |= INDEXTOOVERLAYMASK((attrs & SFGAO_SHARE) ? 1 : 2);
        rec.nStateMask |= TVIS_OVERLAYMASK;
    }

    const LPCITEMIDLIST abs = rec.pidl.Get();
    if (IsPlainFolder(folder, relative, attrs)) {
        PlainFolderIcons(abs, rec.nImage, rec.nSelectedImage);
    } else {
        rec.nImage = rec.nSelectedImage = SmallIconIndex(abs, 0);
        if (attrs & SFGAO_FOLDER) rec.nSelectedImage = SmallIconIndex(abs, SHGFI_OPENICON);
    }

    if (!(attrs & SFGAO_FOLDER)) {
        rec.nChildren = 0;
    } else if (attrs & SFGAO_REMOVABLE) {
        rec.nChildren = 1;  // never spin up a disc or a floppy just to draw a button
    } else {
        SFGAOF sub = SFGAO_HASSUBFOLDER;
        rec.nChildren = SUCCEEDED(folder->GetAttributesOf(1, one, &sub)) && (sub & SFGAO_HASSUBFOLDER) ? 1 : 0;
    }
    return rec;
}
