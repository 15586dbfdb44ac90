// What the upload batch tells whoever keeps a record of its passes, as it happens: the
// pictures of a new batch, each picture going to the server, each verdict, the end of a
// pass and of the batch. The batch never waits for the listener; only a picture's request
// may be held until the listener has recorded that it starts.
#pragma once
#include <string>
#include <vector>

#include "upload/pass_journal.h"
#include "upload/upload_panel.h"

// A picture of the queue: its index in the panel and the picture file itself (not the
// prepared copy that may be sent in its place).
struct QueuedPicture {
    int nIndex = -1;
    std::string strPath;
};

class CPassObserver {
public:
    virtual ~CPassObserver() = default;
    // The first pass of a batch begins; its re-upload passes send the failed pictures again.
    virtual void OnBatchStarted(const UploadSettings& settings, const std::vector<QueuedPicture>& pictures) = 0;
    // The picture's request is about to start: from now on the server may have it. nFollowing
    // is the picture queued after it (-1: none), whose request may start the moment this one
    // ends. False when the request must wait: the batch then starts it at its
    // OnSendingRecorded.
    virtual bool OnSending(int nIndex, int nFollowing) = 0;
    // Stored, Rejected or Failed.
    virtual void OnVerdict(int nIndex, JournalState state) = 0;
    // Every picture of the pass has its verdict; the summary follows.
    virtual void OnPassEnded() = 0;
    // The batch is over and the user has seen how: its summary dismissed, or cancelled.
    virtual void OnBatchEnded() = 0;
    // The batch is torn down unseen (the page goes): what it left is for a later page.
    virtual void OnBatchAborted() = 0;
};
