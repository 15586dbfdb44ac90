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
        std::unique_ptr<CPassClaim> claim = m_disk.Claim(strName);
        if (!claim) continue;
        const auto bytes = m_disk.Read(strName, CPassJournal::kMaxBytes);
        auto journal = bytes ? CPassJournal::Parse(*bytes, m_pfnIsLead) : std::nullopt;
        if (!journal || journal->IsStale(nNow)) {
            m_disk.Remove(strName);
            continue;
        }
        if (strName != strOwn || journal->User() != nUser || journal->Album() != strAlbum) continue;
        if (journal->PendingCount() == 0) {
            m_disk.Remove(strName);
            continue;
        }
        m_claim = std::move(claim);
        m_strName = strName;
        found = std::move(journal);
    }
    return found;
}

void CPassRecorder::Discard() {
    if (!m_strName.empty()) m_disk.Remove(m_strName);
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
    // The claim taken when the journal was offered carries over to its resumed batch.
    std::unique_ptr<CPassClaim> claim = m_claim && m_strName == strName ? std::move(m_claim) : m_disk.Claim(strName);
    Forget();
    // Without a user and an album no start-up could offer it; with another control's pass
    // running on this album, that pass keeps the journal.
    if (settings.nKXUin == 0 || settings.strAlbumName.empty() || pictures.empty() || !claim) return;
    const std::string strFolder = FolderOf(pictures.front().strPath, m_pfnIsLead);
    if (!CPassJournal::IsLocalFolder(strFolder, m_pfnIsLead)) return;

    CPassJournal journal(settings.nKXUin, settings.strAlbumName, strFolder);
    std::map<int, std::size_t> places;
    for (const QueuedPicture& queued : pictures) {
        const std::string strFile = GetFileNamePart(queued.strPath, m_pfnIsLead);
        if (FolderOf(queued.strPath, m_pfnIsLead) != strFolder) return;  // one folder, or no journal
        if (!CPassJournal::IsPictureName(strFile, m_pfnIsLead)) continue;
        // A picture that cannot be read now fails anyway; it is not worth resuming.
        const auto stamp = m_disk.StampOf(queued.strPath);
        if (!stamp || places.count(queued.nIndex)) continue;
        places[queued.nIndex] = journal.Pictures().size();
        journal.Pictures().push_back(JournalPicture{strFile, *stamp, JournalState::Waiting});
        if (journal.Pictures().size() >= CPassJournal::kMaxPictures) break;
    }
    m_journal = std::move(journal);
    m_strName = strName;
    m_claim = std::move(claim);
    m_places = std::move(places);
    Save();
}

void CPassRecorder::OnSending(int nIndex) {
    SetState(nIndex, JournalState::Sending);
    Save();
}

void CPassRecorder::OnVerdict(int nIndex, JournalState state) {
    // Written with the next picture's start or the end of the pass, which follow at once:
    // one write a picture.
    SetState(nIndex, state);
}

void CPassRecorder::OnPassEnded() {
    if (m_bUnsaved) Save();
}

void CPassRecorder::OnBatchEnded() {
    if (m_journal) m_disk.Remove(m_strName);
    Forget();
}

void CPassRecorder::OnBatchAborted() {
    if (m_bUnsaved) Save();
    Forget();
}

void CPassRecorder::SetState(int nIndex, JournalState state) {
    if (!m_journal) return;
    const auto place = m_places.find(nIndex);
    if (place == m_places.end()) return;
    m_journal->Pictures()[place->second].state = state;
    m_bUnsaved = true;
}

void CPassRecorder::Save() {
    if (!m_journal) return;
    m_bUnsaved = false;
    if (m_journal->PendingCount() == 0) {
        m_disk.Remove(m_strName);
        return;
    }
    m_journal->SetWrittenAt(m_disk.Now());
    m_disk.Replace(m_strName, m_journal->Serialise());
}

void CPassRecorder::Forget() {
    m_journal.reset();
    m_strName.clear();
    m_claim.reset();
    m_places.clear();
    m_bUnsaved = false;
}
