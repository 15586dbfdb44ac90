// CThumbnailProducer: the background thread that makes the thumbnails of a folder's
// pictures, and the stop protocol that keeps it away from the panel's items.
#pragma once
#include <windows.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/scoped_handle.h"
#include "imaging/picture_names.h"
#include "imaging/thumbnail.h"

class CThumbBatch;

class CThumbnailProducer {
public:
    // How long the panel waits for a producer to end before it forgets it.
    static constexpr DWORD kStopWaitMs = 1000;
    // The picture box of a grid cell (a 102 by 102 cell shrunk by 1 on every side).
    static constexpr SIZE kThumbBox{100, 100};

    CThumbnailProducer() = default;
    // Stops a running producer as the panel does before it frees its items.
    ~CThumbnailProducer() { Stop(kStopWaitMs); }
    CThumbnailProducer(const CThumbnailProducer&) = delete;
    CThumbnailProducer& operator=(const CThumbnailProducer&) = delete;

    // Stops any running producer (Stop), then starts a new one over the pictures of pNames
    // (it keeps its share of them), at normal priority. It makes the wanted pictures (all of
    // them, in list order, until Want says otherwise), each once, then waits for more to be
    // wanted. After each picture still wanted when it is done, whether it gave a thumbnail
    // or not, hwndNotify is invalidated with erasing (no message is posted). While a
    // producer cut loose before it still works, the new one makes nothing and waits for it
    // to end, so that no more than one cut-loose producer is ever at work. False when
    // pNames is null or the thread could not be started.
    bool Start(std::shared_ptr<const CPictureNames> pNames, HWND hwndNotify, SIZE sizeBox = kThumbBox);

    // Items [nFirst, nEnd) of the list are on screen: they are made first, then nAround
    // items on either side, nearest first. Nothing else is made until it is wanted, and
    // results not taken yet of items outside the new range are let go (to be made again
    // when wanted): the grid takes them only when it paints.
    void Want(std::size_t nFirst, std::size_t nEnd, std::size_t nAround);
    // The thumbnail of the item was let go: make it again when it is wanted.
    void Forget(std::size_t nIndex);
    // How many items lie between this one and those on screen (0 for one on screen).
    std::size_t DistanceFromScreen(std::size_t nIndex) const;

    // Clears the go-on flag and waits at most nWaitMs for the producer's done event. A
    // waiting producer ends at once; a working one gives up a JPEG it is decoding and
    // otherwise notices between pictures, so this can take as long as one GIF. If it has
    // not ended by then it is cut loose: it ends the picture it is on, on its share of the
    // names, and nothing of it reaches TakeResults or the window again; the caller may free
    // its items at once either way. True when the producer ended in time (or none ran).
    bool Stop(DWORD nWaitMs = kStopWaitMs);

    // True while the thread of the last Start has not ended (waiting for work included).
    bool IsRunning() const;

    // Producer threads of the process that have not ended yet, cut loose ones included.
    static long GetRunningCount();

    // For the interface thread (the grid's paint, say): calls adopt for each picture
    // finished since the last call and still wanted, in the order made, with its index in
    // the list given to Start; adopt may move the thumbnail out. Returns how many there were.
    std::size_t TakeResults(const std::function<void(std::size_t nIndex, CThumbResult& result)>& adopt);

private:
    std::shared_ptr<CThumbBatch> m_pBatch;
    CScopedHandle m_hThread;  // m_pThumbThread
};
