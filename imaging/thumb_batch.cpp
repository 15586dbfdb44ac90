#include "imaging/thumb_batch.h"

CThumbBatch::CThumbBatch(std::vector<std::string> arrPaths, HWND hwndNotify, SIZE sizeBox)
    : m_arrPaths(std::move(arrPaths)),
      m_arrResults(m_arrPaths.size()),
      m_hwndNotify(hwndNotify),
      m_sizeBox(sizeBox),
      m_evThumbsDone(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

void CThumbBatch::Publish(std::size_t nIndex, CThumbResult&& result) {
    m_arrResults[nIndex] = std::move(result);
    m_nPublished.store(nIndex + 1, std::memory_order_release);
    // InvalidateRect only adds to the window's update region and sends nothing, so the
    // interface thread never waits long in Abandon.
    AcquireSRWLockShared(&m_lockNotify);
    if (m_hwndNotify)
        InvalidateRect(m_hwndNotify, nullptr, TRUE);
    ReleaseSRWLockShared(&m_lockNotify);
}

void CThumbBatch::Abandon() {
    RequestStop();
    AcquireSRWLockExclusive(&m_lockNotify);
    m_hwndNotify = nullptr;
    ReleaseSRWLockExclusive(&m_lockNotify);
}

std::size_t CThumbBatch::TakeResults(const std::function<void(std::size_t, CThumbResult&)>& adopt) {
    const std::size_t nPublished = m_nPublished.load(std::memory_order_acquire);
    const std::size_t nFirst = m_nTaken;
    for (; m_nTaken < nPublished; ++m_nTaken)
        adopt(m_nTaken, m_arrResults[m_nTaken]);
    return nPublished - nFirst;
}
