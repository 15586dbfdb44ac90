// Looks at another program's windows as the scripts of the end-to-end tests need to: waits
// for a top-level window whose title holds a text, then prints it and every window inside
// it (class, id, place on the screen, state, text), so a script can read what a person
// would see and click where a person would click; or waits for such a window to go.
//   window_probe TITLE_TEXT [--gone] [--timeout MS] [--desktop NAME]
// With --desktop it looks at the windows of that Wine desktop (explorer /desktop=NAME) instead
// of its own.
// The items of a tree view and the rows of a list view are printed too (lines "item" and
// "row"), read through memory lent in their owner's process, as these controls answer only
// with pointers into their own address space.
// Exit 0 when the wait ended as asked, 1 on timeout, 2 on bad arguments.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>

namespace {

struct Search {
    const char* pszTitleText;
    HWND hFound = nullptr;
};

// Another process's controls give their text only through the message, which the system
// carries across; a hung owner must not hang the probe.
std::string TextOf(HWND hWnd) {
    // A picture static's text is the resource it shows, not anything to read.
    const LONG nType = GetWindowLongA(hWnd, GWL_STYLE) & SS_TYPEMASK;
    char szClass[16] = {};
    GetClassNameA(hWnd, szClass, sizeof szClass);
    if (lstrcmpiA(szClass, "Static") == 0 && (nType == SS_ICON || nType == SS_BITMAP)) return "(picture)";
    char text[1024] = {};
    DWORD_PTR nResult = 0;
    if (!SendMessageTimeoutA(hWnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000,
                             &nResult))
        return std::string();
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\r') continue;
        if (*p == '\n')
            out += "\\n";
        else
            out += *p;
    }
    return out;
}

std::string ClassOf(HWND hWnd) {
    char name[256] = {};
    GetClassNameA(hWnd, name, sizeof name);
    return name;
}

// The window's own flag: IsWindowVisible also asks the parents, up to this program's desktop
// window, which a window of another desktop does not have.
bool HasVisibleStyle(HWND hWnd) { return (GetWindowLongA(hWnd, GWL_STYLE) & WS_VISIBLE) != 0; }

BOOL CALLBACK FindByTitle(HWND hWnd, LPARAM lParam) {
    auto* search = reinterpret_cast<Search*>(lParam);
    if (!HasVisibleStyle(hWnd)) return TRUE;
    // A title is kept by the system: no message to a window that may be busy.
    char title[512] = {};
    GetWindowTextA(hWnd, title, sizeof title);
    if (std::string(title).find(search->pszTitleText) == std::string::npos) return TRUE;
    search->hFound = hWnd;
    return FALSE;
}

HWND FindTopLevel(HDESK hDesktop, const char* pszTitleText) {
    Search search{pszTitleText};
    if (hDesktop)
        EnumDesktopWindows(hDesktop, FindByTitle, reinterpret_cast<LPARAM>(&search));
    else
        EnumWindows(FindByTitle, reinterpret_cast<LPARAM>(&search));
    return search.hFound;
}

struct CDesktopCloser {
    void operator()(HDESK hDesktop) const { CloseDesktop(hDesktop); }
};

void PrintWindow(const char* pszKind, HWND hWnd) {
    RECT rc{};
    GetWindowRect(hWnd, &rc);
    std::printf("%s %s %d %d,%d %dx%d %s %s \"%s\"\n", pszKind, ClassOf(hWnd).c_str(), GetDlgCtrlID(hWnd),
                static_cast<int>(rc.left), static_cast<int>(rc.top), static_cast<int>(rc.right - rc.left),
                static_cast<int>(rc.bottom - rc.top), HasVisibleStyle(hWnd) ? "visible" : "hidden",
                IsWindowEnabled(hWnd) ? "enabled" : "disabled", TextOf(hWnd).c_str());
}

// A block of memory in another process, for the messages whose arguments point at memory.
class CRemoteBlock {
public:
    static constexpr SIZE_T kSize = 4096;
    explicit CRemoteBlock(HWND hWnd) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hWnd, &pid);
        m_hProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (m_hProcess) m_pBlock = VirtualAllocEx(m_hProcess, nullptr, kSize, MEM_COMMIT, PAGE_READWRITE);
    }
    ~CRemoteBlock() {
        if (m_pBlock) VirtualFreeEx(m_hProcess, m_pBlock, 0, MEM_RELEASE);
        if (m_hProcess) CloseHandle(m_hProcess);
    }
    CRemoteBlock(const CRemoteBlock&) = delete;
    CRemoteBlock& operator=(const CRemoteBlock&) = delete;
    bool IsValid() const { return m_pBlock != nullptr; }
    char* At(SIZE_T nOffset) const { return static_cast<char*>(m_pBlock) + nOffset; }
    bool Write(SIZE_T nOffset, const void* pData, SIZE_T nBytes) const {
        return WriteProcessMemory(m_hProcess, At(nOffset), pData, nBytes, nullptr) != 0;
    }
    bool Read(SIZE_T nOffset, void* pData, SIZE_T nBytes) const {
        return ReadProcessMemory(m_hProcess, At(nOffset), pData, nBytes, nullptr) != 0;
    }

private:
    HANDLE m_hProcess = nullptr;
    void* m_pBlock = nullptr;
};

constexpr SIZE_T kTextOffset = 1024;
constexpr int kTextMax = 1024;

LRESULT Ask(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR nResult = 0;
    if (!SendMessageTimeoutA(hWnd, nMessage, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &nResult)) return 0;
    return static_cast<LRESULT>(nResult);
}

std::string RemoteText(const CRemoteBlock& block) {
    char text[kTextMax] = {};
    block.Read(kTextOffset, text, sizeof text - 1);
    return text;
}

void PrintPart(const char* pszKind, HWND hWnd, int nId, RECT rc, const std::string& strText) {
    MapWindowPoints(hWnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&rc), 2);
    std::printf("%s %s %d %d,%d %dx%d visible enabled \"%s\"\n", pszKind, ClassOf(hWnd).c_str(), nId,
                static_cast<int>(rc.left), static_cast<int>(rc.top), static_cast<int>(rc.right - rc.left),
                static_cast<int>(rc.bottom - rc.top), strText.c_str());
}

// The tree's items that lie in its window, each with its label's place.
void PrintTreeItems(HWND hWnd) {
    CRemoteBlock block(hWnd);
    if (!block.IsValid()) return;
    RECT rcClient{};
    GetClientRect(hWnd, &rcClient);
    auto hItem = reinterpret_cast<HTREEITEM>(Ask(hWnd, TVM_GETNEXTITEM, TVGN_FIRSTVISIBLE, 0));
    for (int n = 0; hItem && n < 1000; ++n) {
        // The message reads the item from the start of the rectangle it fills.
        RECT rc{};
        std::memcpy(&rc, &hItem, sizeof hItem);
        block.Write(0, &rc, sizeof rc);
        if (!Ask(hWnd, TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(block.At(0))) ||
            !block.Read(0, &rc, sizeof rc) || rc.top >= rcClient.bottom)
            break;
        TVITEMA item{};
        item.mask = TVIF_TEXT;
        item.hItem = hItem;
        item.pszText = block.At(kTextOffset);
        item.cchTextMax = kTextMax;
        block.Write(kTextOffset, "", 1);
        block.Write(0, &item, sizeof item);
        Ask(hWnd, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(block.At(0)));
        PrintPart("item", hWnd, n, rc, RemoteText(block));
        hItem =
            reinterpret_cast<HTREEITEM>(Ask(hWnd, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(hItem)));
    }
}

// A report list's rows: the row's place and its columns' texts joined by " | ".
void PrintListRows(HWND hWnd) {
    CRemoteBlock block(hWnd);
    if (!block.IsValid()) return;
    HWND hHeader = reinterpret_cast<HWND>(Ask(hWnd, LVM_GETHEADER, 0, 0));
    const int nColumns = hHeader ? static_cast<int>(Ask(hHeader, HDM_GETITEMCOUNT, 0, 0)) : 1;
    const int nRows = static_cast<int>(Ask(hWnd, LVM_GETITEMCOUNT, 0, 0));
    for (int nRow = 0; nRow < nRows; ++nRow) {
        std::string strText;
        for (int nColumn = 0; nColumn < nColumns; ++nColumn) {
            LVITEMA item{};
            item.iSubItem = nColumn;
            item.pszText = block.At(kTextOffset);
            item.cchTextMax = kTextMax;
            block.Write(kTextOffset, "", 1);
            block.Write(0, &item, sizeof item);
            Ask(hWnd, LVM_GETITEMTEXTA, nRow, reinterpret_cast<LPARAM>(block.At(0)));
            strText += (nColumn ? " | " : "") + RemoteText(block);
        }
        RECT rc{};
        rc.left = LVIR_LABEL;
        block.Write(0, &rc, sizeof rc);
        Ask(hWnd, LVM_GETITEMRECT, nRow, reinterpret_cast<LPARAM>(block.At(0)));
        block.Read(0, &rc, sizeof rc);
        PrintPart("row", hWnd, nRow, rc, strText);
    }
}

BOOL CALLBACK PrintChild(HWND hWnd, LPARAM) {
    PrintWindow("child", hWnd);
    const std::string strClass = ClassOf(hWnd);
    if (strClass == WC_TREEVIEWA) PrintTreeItems(hWnd);
    if (strClass == WC_LISTVIEWA) PrintListRows(hWnd);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fputs("usage: window_probe TITLE_TEXT [--gone] [--timeout MS] [--desktop NAME]\n", stderr);
        return 2;
    }
    bool bGone = false;
    DWORD dwTimeout = 20000;
    const char* pszDesktop = nullptr;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gone") == 0)
            bGone = true;
        else if (std::strcmp(argv[i], "--timeout") == 0 && i + 1 < argc)
            dwTimeout = static_cast<DWORD>(std::strtoul(argv[++i], nullptr, 10));
        else if (std::strcmp(argv[i], "--desktop") == 0 && i + 1 < argc)
            pszDesktop = argv[++i];
        else
            return 2;
    }
    const DWORD dwStart = GetTickCount();
    std::unique_ptr<std::remove_pointer_t<HDESK>, CDesktopCloser> desktop;
    for (;;) {
        // The desktop may not exist yet: its first program is still starting.
        if (pszDesktop && !desktop)
            desktop.reset(OpenDesktopA(pszDesktop, 0, FALSE, DESKTOP_ENUMERATE | DESKTOP_READOBJECTS));
        HWND hWnd = pszDesktop && !desktop ? nullptr : FindTopLevel(desktop.get(), argv[1]);
        if (bGone && !hWnd) return 0;
        // Shown and painted, so that what is printed is what is on the screen.
        if (!bGone && hWnd && !GetUpdateRect(hWnd, nullptr, FALSE)) {
            PrintWindow("window", hWnd);
            EnumChildWindows(hWnd, PrintChild, 0);
            std::fflush(stdout);
            return 0;
        }
        if (GetTickCount() - dwStart > dwTimeout) return 1;
        Sleep(50);
    }
}
