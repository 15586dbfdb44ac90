// CThumbBatch: one run of the thumbnail producer, shared by the panel's side and the
// producer thread so that whichever lets go last frees it; a producer cut loose by the
// panel finishes on this and never reaches the panel's items or window.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "framework/scoped_handle.h"
#include "imaging/picture_names.h"
#include "imaging/thumbnail.h"
#include "imaging/thumb_schedule.h"

class CThumbBatch {
public:
    // The batch holds its share of the names, so that a producer cut loose still has them;
    // sizeBox is the picture box of a grid cell. Until told otherwise every picture is
    // wanted, in list order.
    CThumbBatch(std::shared_ptr<const CPictureNames> pNames, HWND hwndNotify, SIZE sizeBox);
    CThumbBatch(const CThumbBatch&) = delete;
    CThumbBatch& operator=(const CThumbBatch&) = delete;

    // False when an event could not be made.
    bool IsValid() const { return m_evThumbsDone && m_evWork; }

    // Producer side.
    std::string GetPath(std::size_t nIndex) const { return m_pNames->GetPath(nIndex); }
    SIZE GetBox() const { return m_sizeBox; }
    // m_bLoadThumbs: read once before each picture, and by the decoder as it goes.
    bool ShouldGoOn() const { return m_bLoadThumbs.load(std::memory_order_acquire); }
    const std::atomic<bool>& GoOnFlag() const { return m_bLoadThumbs; }
    // Waits until the thread hThread has ended; false when told to stop first.
    bool WaitForThreadEnd(HANDLE hThread);
    // The next picture to make, waiting while none is wanted; none once told to stop.
    std::optional<std::size_t> WaitForWork();
    // Hands the result of picture nIndex to TakeResults, then invalidates the window with
    // erasing unless the batch was abandoned; lets it go instead when the picture is no
    // longer wanted (the screen moved on while it was made).
    void Publish(std::size_t nIndex, CThumbResult&& result);
    // Sets m_evThumbsDone: the producer's last act on the batch.
    void SetDone() { SetEvent(m_evThumbsDone.Get()); }

    // Panel side (the interface thread).
    void RequestStop();
    // True when the producer ended within nWaitMs.
    bool WaitDone(DWORD nWaitMs) const { return WaitForSingleObject(m_evThumbsDone.Get(), nWaitMs) == WAIT_OBJECT_0; }
    // After this returns the producer touches the window no more.
    void Abandon();
    // See CThumbSchedule: what is on screen, and how much around it is made too. Results
    // not taken yet of pictures no longer wanted are let go.
    void Want(std::size_t nFirst, std::size_t nEnd, std::size_t nAround);
    void Forget(std::size_t nIndex);
    std::size_t DistanceFromScreen(std::size_t nIndex) const;
    // Hands each result published since the last call to adopt, in the order made.
    std::size_t TakeResults(const std::function<void(std::size_t, CThumbResult&)>& adopt);

private:
    const std::shared_ptr<const CPictureNames> m_pNames;
    const SIZE m_sizeBox;
    std::atomic<bool> m_bLoadThumbs{true};
    // The schedule and the finished results, between the two threads.
    mutable SRWLOCK m_lock = SRWLOCK_INIT;
    CThumbSchedule m_schedule;
    std::vector<std::pair<std::size_t, CThumbResult>> m_arrFinished;
    SRWLOCK m_lockNotify = SRWLOCK_INIT;  // the window against Abandon
    HWND m_hwndNotify;                    // null once abandoned
    // Auto-reset: set when more may be wanted, or to stop.
    CScopedHandle m_evWork;
    // Auto-reset, created non-signalled; owned here so that a late producer never sets a
    // handle the panel has already closed (or one since given to something else).
    CScopedHandle m_evThumbsDone;
};
