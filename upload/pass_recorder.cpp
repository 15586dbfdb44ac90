#include "upload/pass_recorder.h"

#include <utility>

namespace {

// The folder part of a path, with its backslash; empty when there is none.
std::string FolderOf(const std::string& strPath, LeadByteTest pfnIsLead) {
    const std::string strName = GetFileNamePart(strPath, pfnIsLead);
    return strPath.substr(0, strPath.size() - strName.size());
}

}  // namespace

std::optional<CPassJournal> CPassRecorder::FindUnfinished(long nUser, const std::string& strAlbum) {
    const std::int64_t nNow = m_disk.Now();
    const std::string strOwn = CPassJournal::FileNameFor(nUser, strAlbum);
    std::optional<CPassJournal> found;
    for (const std::string& strName : m_disk.List()) {
        // A running pass's journal is whole and current: it is neither read nor swept.
        std::shared_ptr<CPassClaim> claim = m_disk.Claim(strName);
        if (!claim) continue;
        const auto bytes = m_disk.Read(strName, CPassJournal::kMaxBytes);
        auto journal = bytes ? CPassJournal::Parse(*bytes, m_pfnIsLead) : std::nullopt;
        if (!journal || journal->IsStale(nNow)) {
            Remove(strName, std::move(claim));
            continue;
        }
        if (strName != strOwn || journal->User() != nUser || journal->Album() != strAlbum) continue;
        if (journal->PendingCount() == 0) {
            Remove(strName, std::move(claim));
            continue;
        }
        m_claim = std::move(claim);
        m_strName = strName;
        found = std::move(journal);
    }
    return found;
}

void CPassRecorder::Discard() {
    if (!m_strName.empty()) Remove(m_strName, m_claim);
    Forget();
}

ResumePlan CPassRecorder::PlanResume(const CPassJournal& journal) {
    ResumePlan plan;
    plan.strFolder = journal.Folder();
    for (const JournalPicture& picture : journal.Pictures()) {
        if (picture.state == JournalState::Stored || picture.state == JournalState::Rejected) continue;
        const auto stamp = m_disk.StampOf(journal.Folder() + picture.strName);
        if (!stamp) {
            plan.arrNotResumed.emplace_back(picture.strName, NotResumedWhy::Gone);
        } else if (*stamp != picture.stamp) {
            plan.arrNotResumed.emplace_back(picture.strName, NotResumedWhy::Changed);
        } else {
            plan.arrNames.push_back(picture.strName);
            if (picture.state == JournalState::Sending) plan.arrMaybeStored.push_back(picture.strName);
        }
    }
    return plan;
}

void CPassRecorder::OnBatchStarted(const UploadSettings& settings, const std::vector<QueuedPicture>& pictures) {
    const std::string strName = CPassJournal::FileNameFor(settings.nKXUin, settings.strAlbumName);
    std::shared_ptr<CPassClaim> claim = ClaimFor(strName);
    Forget();
    // Without a user and an album no start-up could offer it; with another control's pass
    // running on this album, that pass keeps the journal.
    if (settings.nKXUin == 0 || settings.strAlbumName.empty() || pictures.empty() || !claim) return;
    const std::string strFolder = FolderOf(pictures.front().strPath, m_pfnIsLead);
    if (!CPassJournal::IsLocalFolder(strFolder, m_pfnIsLead)) return;

    auto pass = std::make_shared<JournalPass>();
    pass->nUser = settings.nKXUin;
    pass->strAlbum = settings.strAlbumName;
    pass->strFolder = strFolder;
    std::map<int, std::size_t> places;
    for (const QueuedPicture& queued : pictures) {
        const std::string strFile = GetFileNamePart(queued.strPath, m_pfnIsLead);
        if (FolderOf(queued.strPath, m_pfnIsLead) != strFolder) return;  // one folder, or no journal
        if (!CPassJournal::IsPictureName(strFile, m_pfnIsLead) || places.count(queued.nIndex)) continue;
        places[queued.nIndex] = pass->arrNames.size();
        pass->arrNames.push_back(strFile);
        if (pass->arrNames.size() >= CPassJournal::kMaxPictures) break;
    }
    m_arrStates.assign(pass->arrNames.size(), JournalState::Waiting);
    m_pass = std::move(pass);
    m_strName = strName;
    m_claim = std::move(claim);
    m_places = std::move(places);
    Save();
}

bool CPassRecorder::OnSending(int nIndex, int nFollowing) {
    // Recorded ahead: the change that did so is the one to wait for, usually long written.
    std::optional<std::uint64_t> nRecordedBy;
    if (m_ahead && m_ahead->nIndex == nIndex)
        nRecordedBy = m_ahead->nTicket;
    else
        UndoAhead();
    m_ahead.reset();
    const bool bJournalled = SetState(nIndex, JournalState::Sending);
    std::optional<Ahead> ahead;
    if (const auto place = m_places.find(nFollowing); place != m_places.end()) {
        ahead = Ahead{nFollowing, m_arrStates[place->second]};
        SetState(nFollowing, JournalState::Sending);
    }
    if (!bJournalled && !m_bUnsaved) return true;
    const std::uint64_t nTicket = Save();
    if (ahead) {
        ahead->nTicket = nTicket;
        m_ahead = ahead;
    }
    const std::uint64_t nNeeded = nRecordedBy.value_or(nTicket);
    m_bAwaiting = true;
    if (m_writer.IsWritten(nNeeded)) {
        m_bAwaiting = false;
        return true;
    }
    m_nAwaited = nNeeded;
    return false;
}

void CPassRecorder::OnWritten() {
    if (!m_nAwaited || !m_writer.IsWritten(*m_nAwaited)) return;
    m_nAwaited.reset();
    m_bAwaiting = false;
    if (m_onRecorded) m_onRecorded();
}

void CPassRecorder::OnVerdict(int nIndex, JournalState state) {
    // Written with the next picture's start or the end of the pass, which follow at once:
    // one write a picture.
    SetState(nIndex, state);
}

void CPassRecorder::OnPassEnded() {
    UndoAhead();
    if (m_bUnsaved) Save();
}

void CPassRecorder::OnBatchEnded() {
    if (m_pass) Remove(m_strName, m_claim);
    Forget();
}

void CPassRecorder::OnBatchAborted() {
    UndoAhead();
    if (m_bUnsaved) Save();
    Forget();
}

bool CPassRecorder::SetState(int nIndex, JournalState state) {
    const auto place = m_places.find(nIndex);
    if (place == m_places.end()) return false;
    m_arrStates[place->second] = state;
    m_bUnsaved = true;
    return true;
}

void CPassRecorder::UndoAhead() {
    if (!m_ahead) return;
    SetState(m_ahead->nIndex, m_ahead->before);
    m_ahead.reset();
}

std::uint64_t CPassRecorder::Save() {
    m_bUnsaved = false;
    // The states are copied: the batch goes on changing them while this version is written.
    return m_writer.Write(m_strName, JournalVersion{m_pass, m_arrStates, m_disk.Now()}, m_claim);
}

void CPassRecorder::Remove(const std::string& strName, std::shared_ptr<CPassClaim> claim) {
    m_writer.Write(strName, std::nullopt, std::move(claim));
}

std::shared_ptr<CPassClaim> CPassRecorder::ClaimFor(const std::string& strName) {
    // The claim taken when the journal was offered carries over to its resumed batch.
    if (m_claim && m_strName == strName) return m_claim;
    if (m_strLastName == strName)
        if (std::shared_ptr<CPassClaim> claim = m_lastClaim.lock()) return claim;
    return m_disk.Claim(strName);
}

void CPassRecorder::Forget() {
    if (m_claim) {
        m_strLastName = m_strName;
        m_lastClaim = m_claim;
    }
    m_pass.reset();
    m_arrStates.clear();
    m_strName.clear();
    m_claim.reset();
    m_places.clear();
    m_bUnsaved = false;
    m_nAwaited.reset();
    m_bAwaiting = false;
    m_ahead.reset();
}
