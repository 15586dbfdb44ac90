// Keeps the journal of the running batch on disk as the batch reports (one journal per user
// and album), and finds, at the control's start, the journal of a batch that never ended.
// Its writer thread does the writing; the user-interface thread never waits for the disk.
// A picture's state is on disk before its request starts: the batch holds the request until
// the recorder says so. So that it seldom has to, the picture queued next is recorded as
// sending together with the one that starts: its request can follow the moment the answer
// comes, whatever the disk is doing. A verdict goes to disk with the next picture's start, or
// at once when the pass ends; until it is there the picture counts as one whose answer never
// came, which a resumed batch sends again with the note that the album may hold it already
// (the picture recorded ahead gets the note too: nobody can tell whether it had started). The
// journal goes once nothing is left to send or the user has seen the batch end; it stays
// when the batch dies unseen.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/mbcs_text.h"
#include "upload/journal_disk.h"
#include "upload/journal_writer.h"
#include "upload/pass_journal.h"
#include "upload/pass_observer.h"

// Why a picture of an unfinished batch is not sent again.
enum class NotResumedWhy { Gone, Changed };

// What resuming an unfinished batch sends, and what it cannot.
struct ResumePlan {
    std::string strFolder;
    // Unchanged pictures, in the journal's order.
    std::vector<std::string> arrNames;
    // Those of arrNames whose request had started when the batch stopped: the album may
    // hold them already.
    std::vector<std::string> arrMaybeStored;
    std::vector<std::pair<std::string, NotResumedWhy>> arrNotResumed;
};

class CPassRecorder : public CPassObserver {
public:
    // wake runs on the writer's thread when a change is on the disk while a request waits for
    // one; it tells the owner's thread, which then calls OnWritten. Nobody is woken for the
    // changes that nothing waits for, most of a pass's.
    CPassRecorder(CJournalDisk& disk, LeadByteTest pfnIsLead, std::function<void()> wake)
        : m_disk(disk), m_pfnIsLead(pfnIsLead), m_writer(disk, [this, wake = std::move(wake)] {
              if (m_bAwaiting.load()) wake();
          }) {}
    CPassRecorder(const CPassRecorder&) = delete;
    CPassRecorder& operator=(const CPassRecorder&) = delete;

    // What OnWritten calls once the state of a picture held by OnSending is on the disk.
    void SetRecordedHandler(std::function<void()> onRecorded) { m_onRecorded = std::move(onRecorded); }
    // On the owner's thread, after the writer's wake.
    void OnWritten();
    // Waits at most nWaitMs for the journal's changes to reach the disk; true when they have.
    bool Flush(unsigned nWaitMs) { return m_writer.Flush(nWaitMs); }
    // The control's end: the last changes are given a moment to reach the disk, and the
    // writer's thread ends.
    void EndWrites() { m_writer.End(CJournalWriter::kEndWaitMs); }

    // Removes every journal that is too old or cannot be read (unless its pass is running),
    // then gives this user's journal of this album when it holds pictures not yet stored
    // and no running pass has it. Found, it stays claimed until the next batch starts or
    // Discard: a second control does not offer it meanwhile.
    std::optional<CPassJournal> FindUnfinished(long nUser, const std::string& strAlbum);
    // The user does not want it: the journal goes and the claim with it.
    void Discard();
    // It was not resumed after all (no batch could start): it stays for a later page.
    void Release() { Forget(); }
    // Reads the pending pictures' files (only now: the user has said yes) and sorts them.
    ResumePlan PlanResume(const CPassJournal& journal);

    void OnBatchStarted(const UploadSettings& settings, const std::vector<QueuedPicture>& pictures) override;
    bool OnSending(int nIndex, int nFollowing) override;
    void OnVerdict(int nIndex, JournalState state) override;
    void OnPassEnded() override;
    void OnBatchEnded() override;
    void OnBatchAborted() override;

    // The name of the journal being kept; empty when none is.
    const std::string& JournalName() const { return m_strName; }

private:
    // Hands the journal's version to the writer; the ticket.
    std::uint64_t Save();
    void Remove(const std::string& strName, std::shared_ptr<CPassClaim> claim);
    // True when the picture is journalled.
    bool SetState(int nIndex, JournalState state);
    // The picture recorded ahead gets its state back: its request never started.
    void UndoAhead();
    // The claim of a journal: this recorder's own when it holds it still (its last changes
    // may not be written yet), else a new one; null when another pass has it.
    std::shared_ptr<CPassClaim> ClaimFor(const std::string& strName);
    void Forget();

    CJournalDisk& m_disk;
    LeadByteTest m_pfnIsLead;
    // The pass being journalled, and each of its pictures' states.
    std::shared_ptr<const JournalPass> m_pass;
    std::vector<JournalState> m_arrStates;
    std::string m_strName;
    std::shared_ptr<CPassClaim> m_claim;
    // The journal kept last, whose claim its changes still queued may hold.
    std::string m_strLastName;
    std::weak_ptr<CPassClaim> m_lastClaim;
    // The panel's index of each journalled picture, to its place in the journal.
    std::map<int, std::size_t> m_places;
    bool m_bUnsaved = false;
    // The change whose writing holds the batch's next request.
    std::optional<std::uint64_t> m_nAwaited;
    // The picture recorded as sending before its request starts: its state before, and the
    // change that records it.
    struct Ahead {
        int nIndex = -1;
        JournalState before = JournalState::Waiting;
        std::uint64_t nTicket = 0;
    };
    std::optional<Ahead> m_ahead;
    std::function<void()> m_onRecorded;
    // Set before a request's change is asked after, cleared once it is done: the writer's
    // thread reads it after each change, so that either the asking sees the change done or
    // the writer sees the asking.
    std::atomic<bool> m_bAwaiting{false};
    // Last: its thread ends before the rest goes.
    CJournalWriter m_writer;
};
