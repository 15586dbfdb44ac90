// CThumbBatch: one run of the thumbnail producer, shared by the panel's side and the
// producer thread so that whichever lets go last frees it; a producer cut loose by the
// panel finishes on this and never reaches the panel's items or window.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "framework/scoped_handle.h"
#include "imaging/thumb_result.h"

class CThumbBatch {
public:
    // The paths are the batch's own copy; sizeBox is the picture box of a grid cell.
    CThumbBatch(std::vector<std::string> arrPaths, HWND hwndNotify, SIZE sizeBox);
    CThumbBatch(const CThumbBatch&) = delete;
    CThumbBatch& operator=(const CThumbBatch&) = delete;

    // False when the done event could not be made.
    bool IsValid() const { return static_cast<bool>(m_evThumbsDone); }

    // Producer side.
    std::size_t GetCount() const { return m_arrPaths.size(); }
    const std::string& GetPath(std::size_t nIndex) const { return m_arrPaths[nIndex]; }
    SIZE GetBox() const { return m_sizeBox; }
    // m_bLoadThumbs: read once before each picture.
    bool ShouldGoOn() const { return m_bLoadThumbs.load(std::memory_order_acquire); }
    // Stores the result of picture nIndex (the next in order) and then makes it visible
    // to TakeResults, so that a thumbnail is never seen before its size; then invalidates
    // the window with erasing unless the batch was abandoned.
    void Publish(std::size_t nIndex, CThumbResult&& result);
    // Sets m_evThumbsDone: the producer's last act on the batch.
    void SetDone() { SetEvent(m_evThumbsDone.Get()); }

    // Panel side (the interface thread).
    void RequestStop() { m_bLoadThumbs.store(false, std::memory_order_release); }
    // True when the producer ended within nWaitMs.
    bool WaitDone(DWORD nWaitMs) const { return WaitForSingleObject(m_evThumbsDone.Get(), nWaitMs) == WAIT_OBJECT_0; }
    // After this returns the producer touches the window no more.
    void Abandon();
    // Hands each result published since the last call to adopt, in list order.
    std::size_t TakeResults(const std::function<void(std::size_t, CThumbResult&)>& adopt);

private:
    const std::vector<std::string> m_arrPaths;
    std::vector<CThumbResult> m_arrResults;           // sized once: slots never move
    std::atomic<std::size_t> m_nPublished{0};         // results [0, n) are complete
    std::size_t m_nTaken = 0;                         // interface thread only
    std::atomic<bool> m_bLoadThumbs{true};
    SRWLOCK m_lockNotify = SRWLOCK_INIT;              // the window against Abandon
    HWND m_hwndNotify;                                // null once abandoned
    const SIZE m_sizeBox;
    // Auto-reset, created non-signalled; owned here so that a late producer never sets a
    // handle the panel has already closed (or one since given to something else).
    CScopedHandle m_evThumbsDone;
};
