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

bool CThumbBatch::WaitForThreadEnd(HANDLE hThread) {
    // A Want that wakes this wait is not lost: WaitForWork looks at the schedule first.
    const HANDLE arrWait[2] = {hThread, m_evWork.Get()};
    while (ShouldGoOn())
        if (WaitForMultipleObjects(2, arrWait, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return ShouldGoOn();
    return false;
}

void CThumbBatch::Publish(std::size_t nIndex, CThumbResult&& result) {
    AcquireSRWLockExclusive(&m_lock);
    const bool bWanted = m_schedule.IsWanted(nIndex);
    if (bWanted)
        m_arrFinished.emplace_back(nIndex, std::move(result));
    else
        m_schedule.Forget(nIndex);  // scrolled past while it was made
    ReleaseSRWLockExclusive(&m_lock);
    if (!bWanted) return;  // the caller lets the result go, outside the lock
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
    // Results the grid has not taken yet and the new screen does not want: a quick scroll
    // past thousands of pictures, with no paint between, would otherwise queue a bitmap for
    // each picture made on the way. They are made again if they are wanted again.
    std::vector<std::pair<std::size_t, CThumbResult>> arrKept, arrDropped;
    AcquireSRWLockExclusive(&m_lock);
    m_schedule.Want(nFirst, nEnd, nAround);
    for (auto& entry : m_arrFinished) {
        if (m_schedule.IsWanted(entry.first)) {
            arrKept.push_back(std::move(entry));
        } else {
            m_schedule.Forget(entry.first);
            arrDropped.push_back(std::move(entry));
        }
    }
    m_arrFinished.swap(arrKept);
    ReleaseSRWLockExclusive(&m_lock);
    SetEvent(m_evWork.Get());
}  // the dropped results go here, outside the lock

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
