#include "ui/shell_pidl.h"

#include "framework/com_ptr.h"

#include <atomic>
#include <cstring>

namespace {
std::atomic<long> g_nLive{0};

// The allocator is fetched for each use and released after: SHGetMalloc hands out the
// process's one task allocator, so this costs a reference count, and no thread has to own it.
CComPtrT<IMalloc> ShellMalloc() {
    CComPtrT<IMalloc> malloc;
    if (FAILED(SHGetMalloc(malloc.Receive()))) malloc.Release();
    return malloc;
}
}  // namespace

CShellPidl::CShellPidl(LPITEMIDLIST pidl) : m_pidl(pidl) {
    if (m_pidl) ++g_nLive;
}

CShellPidl& CShellPidl::operator=(CShellPidl&& other) noexcept {
    if (this != &other) {
        Reset();
        m_pidl = other.Take();
    }
    return *this;
}

void CShellPidl::Reset(LPITEMIDLIST pidl) {
    if (m_pidl == pidl) return;
    if (m_pidl) {
        --g_nLive;
        FreeShellMemory(m_pidl);
    }
    m_pidl = pidl;
    if (m_pidl) ++g_nLive;
}

LPITEMIDLIST CShellPidl::Take() {
    LPITEMIDLIST p = m_pidl;
    if (p) --g_nLive;
    m_pidl = nullptr;
    return p;
}

LPCITEMIDLIST CShellPidl::Last(LPCITEMIDLIST pidl) {
    if (!pidl) return nullptr;
    LPCITEMIDLIST last = pidl;
    for (LPCITEMIDLIST p = pidl; p->mkid.cb;
         p = reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(p) + p->mkid.cb))
        last = p;
    return last;
}

UINT CShellPidl::Size(LPCITEMIDLIST pidl) {
    UINT size = 0;
    if (!pidl) return 0;
    for (LPCITEMIDLIST p = pidl; p->mkid.cb;
         p = reinterpret_cast<LPCITEMIDLIST>(reinterpret_cast<const BYTE*>(p) + p->mkid.cb))
        size += p->mkid.cb;
    return size;
}

CShellPidl CShellPidl::Concat(LPCITEMIDLIST first, LPCITEMIDLIST second) {
    if (!first && !second) return CShellPidl();
    const UINT n1 = Size(first), n2 = Size(second);
    CComPtrT<IMalloc> malloc = ShellMalloc();
    if (!malloc) return CShellPidl();
    // The terminator is a zero length of two bytes.
    auto* p = static_cast<BYTE*>(malloc->Alloc(n1 + n2 + 2));
    if (!p) return CShellPidl();
    if (n1) std::memcpy(p, first, n1);
    if (n2) std::memcpy(p + n1, second, n2);
    p[n1 + n2] = p[n1 + n2 + 1] = 0;
    return CShellPidl(reinterpret_cast<LPITEMIDLIST>(p));
}

void CShellPidl::FreeShellMemory(void* p) {
    if (!p) return;
    if (CComPtrT<IMalloc> malloc = ShellMalloc()) malloc->Free(p);
}

long CShellPidl::LiveCount() { return g_nLive.load(); }
