// Owner of one item-identifier list allocated by the shell's allocator, and the list arithmetic
// the folder tree needs.
#pragma once
#include <windows.h>
#include <shlobj.h>

class CShellPidl {
public:
    CShellPidl() = default;
    // Takes over a list the shell handed out (or null).
    explicit CShellPidl(LPITEMIDLIST pidl);
    ~CShellPidl() { Reset(); }
    CShellPidl(CShellPidl&& other) noexcept : m_pidl(other.Take()) {}
    CShellPidl& operator=(CShellPidl&& other) noexcept;
    CShellPidl(const CShellPidl&) = delete;
    CShellPidl& operator=(const CShellPidl&) = delete;

    LPITEMIDLIST Get() const { return m_pidl; }
    explicit operator bool() const { return m_pidl != nullptr; }
    // True for the Desktop's own list: no identifier before the terminator.
    bool IsEmpty() const { return !m_pidl || m_pidl->mkid.cb == 0; }
    void Reset(LPITEMIDLIST pidl = nullptr);
    [[nodiscard]] LPITEMIDLIST Take();

    // The last identifier of a list: the item relative to its containing folder.
    static LPCITEMIDLIST Last(LPCITEMIDLIST pidl);
    // Byte length of a list without its terminator.
    static UINT Size(LPCITEMIDLIST pidl);
    // A new list holding first then second; either may be missing; both missing gives null.
    static CShellPidl Concat(LPCITEMIDLIST first, LPCITEMIDLIST second);
    static CShellPidl Clone(LPCITEMIDLIST pidl) { return Concat(pidl, nullptr); }
    // Frees memory the shell allocated (lists, STRRET strings) with the shell's allocator.
    static void FreeShellMemory(void* p);

    // Lists alive in this process: a leak shows as a count that keeps growing.
    static long LiveCount();

private:
    LPITEMIDLIST m_pidl = nullptr;
};
