// Keeps the journal of the running batch on disk as the batch reports (one journal per user
// and album), and finds, at the control's start, the journal of a batch that never ended.
// A picture's state is on disk before its request starts; a verdict is on disk before the
// next request starts or the summary shows. The journal goes once nothing is left to send or
// the user has seen the batch end; it stays when the batch dies unseen.
#pragma once
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/mbcs_text.h"
#include "upload/journal_disk.h"
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
    CPassRecorder(CJournalDisk& disk, LeadByteTest pfnIsLead) : m_disk(disk), m_pfnIsLead(pfnIsLead) {}
    CPassRecorder(const CPassRecorder&) = delete;
    CPassRecorder& operator=(const CPassRecorder&) = delete;

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
    void OnSending(int nIndex) override;
    void OnVerdict(int nIndex, JournalState state) override;
    void OnPassEnded() override;
    void OnBatchEnded() override;
    void OnBatchAborted() override;

    // The name of the journal being kept; empty when none is.
    const std::string& JournalName() const { return m_strName; }

private:
    // Writes the journal, or removes it once nothing is left to send.
    void Save();
    void SetState(int nIndex, JournalState state);
    void Forget();

    CJournalDisk& m_disk;
    LeadByteTest m_pfnIsLead;
    std::optional<CPassJournal> m_journal;
    std::string m_strName;
    std::unique_ptr<CPassClaim> m_claim;
    // The panel's index of each journalled picture, to its place in the journal.
    std::map<int, std::size_t> m_places;
    bool m_bUnsaved = false;
};
