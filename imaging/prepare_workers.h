// CPrepareWorkers: pictures prepared for upload (PreparePicture) on worker threads, at most
// one a processor and below normal priority, so that the interface thread only marks
// pictures and adopts what is finished.
#pragma once
#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "imaging/picture_file.h"
#include "imaging/prepare_picture.h"

class CPrepareQueue;

class CPrepareWorkers {
public:
    // How long stopping waits for the preparations under way to give up.
    static constexpr DWORD kStopWaitMs = 100;

    CPrepareWorkers();
    ~CPrepareWorkers() { Stop(); }
    CPrepareWorkers(const CPrepareWorkers&) = delete;
    CPrepareWorkers& operator=(const CPrepareWorkers&) = delete;

    // Where a finished preparation is announced: nMsg is posted to hwnd, once a result.
    void SetNotify(HWND hwnd, UINT nMsg);

    // Queues the picture under the owner's key (its index, say); the threads start when
    // first needed. A key queued or under way already stays as it is.
    void Prepare(std::size_t nKey, const std::string& strPath, PictureType nType, int nLimitX, int nLimitY);
    // The picture's preparation is no longer wanted: taken off the queue, given up while
    // under way, or its result, not adopted yet, let go (the copy deleted).
    void Cancel(std::size_t nKey);
    // Cancels every picture and waits at most nWaitMs for the preparations under way to end
    // and delete what they made. True when they did: no copy of theirs is left.
    bool CancelAll(DWORD nWaitMs = kStopWaitMs);
    // Cancels every picture (CancelAll) and lets the threads end. The next Prepare starts
    // afresh, announcing nothing until SetNotify is called again.
    void Stop();

    // For the interface thread: calls adopt with each finished preparation not cancelled,
    // in the order they finished; adopt may move the result out. How many there were.
    std::size_t TakeResults(const std::function<void(std::size_t nKey, CPreparedUpload& result)>& adopt);

    // Worker threads of the process that have not ended yet.
    static long GetRunningCount();

private:
    std::shared_ptr<CPrepareQueue> m_pQueue;
};
