#include "imaging/thumb_batch.h"

CThumbBatch::CThumbBatch(std::shared_ptr<const CPictureNames> pNames, HWND hwndNotify, SIZE sizeBox)
    : m_pNames(std::move(pNames)),
      m_sizeBox(sizeBox),
      m_schedule(m_pNames->GetCount()),
      m_hwndNotify(hwndNotify),
      m_evWork(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      m_evThumbsDone(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

std::optional<std::size_t> CThumbBatch::WaitForWork() {
    while (ShouldGoOn()) {
        AcquireSRWLockExclusive(&m_lock);
        const std::optional<std::size_t> next = m_schedule.Next();
        ReleaseSRWLockExclusive(&m_lock);
        if (next) return next;
        WaitForSingleObject(m_evWork.Get(), INFINITE);
    }
    return std::nullopt;
}

void CThumbBatch::Publish(std::size_t nIndex, CThumbResult&& result) {
    AcquireSRWLockExclusive(&m_lock);
    m_arrFinished.emplace_back(nIndex, std::move(result));
    ReleaseSRWLockExclusive(&m_lock);
    // InvalidateRect only adds to the window's update region and sends nothing, so the
    // interface thread never waits long in Abandon.
    AcquireSRWLockShared(&m_lockNotify);
    if (m_hwndNotify) InvalidateRect(m_hwndNotify, nullptr, TRUE);
    ReleaseSRWLockShared(&m_lockNotify);
}

void CThumbBatch::RequestStop() {
    m_bLoadThumbs.store(false, std::memory_order_release);
    SetEvent(m_evWork.Get());
}

void CThumbBatch::Abandon() {
    RequestStop();
    AcquireSRWLockExclusive(&m_lockNotify);
    m_hwndNotify = nullptr;
    ReleaseSRWLockExclusive(&m_lockNotify);
}

void CThumbBatch::Want(std::size_t nFirst, std::size_t nEnd, std::size_t nAround) {
    AcquireSRWLockExclusive(&m_lock);
    m_schedule.Want(nFirst, nEnd, nAround);
    ReleaseSRWLockExclusive(&m_lock);
    SetEvent(m_evWork.Get());
}

void CThumbBatch::Forget(std::size_t nIndex) {
    AcquireSRWLockExclusive(&m_lock);
    m_schedule.Forget(nIndex);
    const bool bWanted = m_schedule.IsWanted(nIndex);
    ReleaseSRWLockExclusive(&m_lock);
    if (bWanted) SetEvent(m_evWork.Get());
}

std::size_t CThumbBatch::DistanceFromScreen(std::size_t nIndex) const {
    AcquireSRWLockShared(&m_lock);
    const std::size_t nDistance = m_schedule.DistanceFromScreen(nIndex);
    ReleaseSRWLockShared(&m_lock);
    return nDistance;
}

std::size_t CThumbBatch::TakeResults(const std::function<void(std::size_t, CThumbResult&)>& adopt) {
    std::vector<std::pair<std::size_t, CThumbResult>> arrTaken;
    AcquireSRWLockExclusive(&m_lock);
    arrTaken.swap(m_arrFinished);
    ReleaseSRWLockExclusive(&m_lock);
    for (auto& [nIndex, result] : arrTaken) adopt(nIndex, result);
    return arrTaken.size();
}
