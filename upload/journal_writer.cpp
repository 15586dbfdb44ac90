#include "upload/journal_writer.h"

#include <system_error>
#include <utility>

std::uint64_t CJournalWriter::Write(const std::string& strName, std::optional<JournalVersion> version,
                                    std::shared_ptr<CPassClaim> claim) {
    std::unique_lock lock(m_lock);
    const std::uint64_t nTicket = ++m_nLastTicket;
    const auto queued = m_queued.find(strName);
    // What the replaced change was waited for is waited for with this one.
    const std::uint64_t nFirst = queued == m_queued.end() ? nTicket : queued->second.nFirstTicket;
    m_queued.insert_or_assign(strName, Change{std::move(version), std::move(claim), nFirst});
    if (!m_thread.joinable()) {
        m_bEnd = false;
        try {
            m_thread = std::thread([this] { Run(); });
        } catch (const std::system_error&) {
            // No thread to be had: the caller writes, rather than keep a journal that lags
            // behind the pictures sent.
            while (!m_queued.empty()) WriteNext(lock);
            return nTicket;
        }
    }
    m_cvWork.notify_one();
    return nTicket;
}

std::uint64_t CJournalWriter::FirstUndone() const {
    std::uint64_t nFirst = m_nLastTicket + 1;
    if (m_nBusyFirstTicket && *m_nBusyFirstTicket < nFirst) nFirst = *m_nBusyFirstTicket;
    for (const auto& [strName, change] : m_queued)
        if (change.nFirstTicket < nFirst) nFirst = change.nFirstTicket;
    return nFirst;
}

bool CJournalWriter::IsWritten(std::uint64_t nTicket) const {
    const std::lock_guard lock(m_lock);
    return nTicket < FirstUndone();
}

bool CJournalWriter::Flush(unsigned nWaitMs) {
    std::unique_lock lock(m_lock);
    return m_cvDone.wait_for(lock, std::chrono::milliseconds(nWaitMs),
                             [this] { return m_queued.empty() && !m_nBusyFirstTicket; });
}

void CJournalWriter::End(unsigned nWaitMs) {
    Flush(nWaitMs);
    {
        const std::lock_guard lock(m_lock);
        m_bEnd = true;
        m_cvWork.notify_one();
    }
    if (m_thread.joinable()) m_thread.join();
    // Dropped only now, outside the lock: letting go of a claim closes its file.
    std::map<std::string, Change> dropped;
    const std::lock_guard lock(m_lock);
    dropped.swap(m_queued);
}

void CJournalWriter::Apply(const std::string& strName, const std::optional<JournalVersion>& version) {
    bool bWritten = false;
    try {
        if (version) bWritten = WriteChanges(strName, *version) || WriteWhole(strName, *version);
    } catch (...) {
        // Out of memory for the text: as a version that could not be written.
    }
    // A version that could not be written must not leave an older one behind, which would
    // say a picture waits when its request may have started.
    if (!bWritten) {
        m_written.reset();
        m_disk.Remove(strName);
    }
}

bool CJournalWriter::WriteChanges(const std::string& strName, const JournalVersion& version) {
    if (!m_written || m_written->strName != strName || m_written->pass != version.pass) return false;
    // Changes this close together go in one piece, with the unchanged bytes between them.
    constexpr std::size_t kJoinGap = 512;
    std::string& strText = m_written->strText;
    std::vector<JournalPiece> pieces;
    bool bPending = false;
    for (std::size_t i = 0; i < m_written->arrStateAt.size() && i < version.arrStates.size(); ++i) {
        const std::size_t nAt = m_written->arrStateAt[i];
        if (nAt == std::string::npos) continue;
        const JournalState state = version.arrStates[i];
        if (IsPending(state)) bPending = true;
        if (strText[nAt] == static_cast<char>(state)) continue;
        strText[nAt] = static_cast<char>(state);
        JournalPiece* last = pieces.empty() ? nullptr : &pieces.back();
        const std::size_t nLastEnd = last ? last->nOffset + last->strBytes.size() : 0;
        if (last && nAt - nLastEnd <= kJoinGap)
            last->strBytes.append(strText, nLastEnd, nAt + 1 - nLastEnd);
        else
            pieces.push_back(JournalPiece{nAt, std::string(1, strText[nAt])});
    }
    // Nothing left to send: the journal goes, which writing whole does.
    if (!bPending) return false;
    return pieces.empty() || m_disk.Patch(strName, strText.size(), pieces);
}

bool CJournalWriter::WriteWhole(const std::string& strName, const JournalVersion& version) {
    m_written.reset();
    const CPassJournal journal = JournalOf(version);
    if (journal.PendingCount() == 0) return false;
    std::vector<std::size_t> arrLetters;
    std::string strText = journal.Serialise(&arrLetters);
    if (!m_disk.Replace(strName, strText)) return false;
    // The journal lists the pass's pictures that have stamps, in the pass's order.
    std::vector<std::size_t> arrStateAt(m_stamps.size(), std::string::npos);
    for (std::size_t i = 0, nListed = 0; i < arrStateAt.size() && i < version.arrStates.size(); ++i)
        if (m_stamps[i] && nListed < arrLetters.size()) arrStateAt[i] = arrLetters[nListed++];
    m_written = Written{strName, version.pass, std::move(strText), std::move(arrStateAt)};
    return true;
}

CPassJournal CJournalWriter::JournalOf(const JournalVersion& version) {
    const JournalPass& pass = *version.pass;
    if (m_stampedPass != version.pass) {
        m_stamps.clear();
        for (const std::string& strName : pass.arrNames) m_stamps.push_back(m_disk.StampOf(pass.strFolder + strName));
        m_stampedPass = version.pass;
    }
    CPassJournal journal(pass.nUser, pass.strAlbum, pass.strFolder);
    journal.SetWrittenAt(version.nWrittenAt);
    for (std::size_t i = 0; i < pass.arrNames.size() && i < version.arrStates.size(); ++i)
        if (m_stamps[i])
            journal.Pictures().push_back(JournalPicture{pass.arrNames[i], *m_stamps[i], version.arrStates[i]});
    return journal;
}

void CJournalWriter::Run() {
    std::unique_lock lock(m_lock);
    for (;;) {
        m_cvWork.wait(lock, [this] { return m_bEnd || !m_queued.empty(); });
        if (m_bEnd) return;
        WriteNext(lock);
    }
}

void CJournalWriter::WriteNext(std::unique_lock<std::mutex>& lock) {
    auto next = m_queued.extract(m_queued.begin());
    m_nBusyFirstTicket = next.mapped().nFirstTicket;
    lock.unlock();
    {
        Change change = std::move(next.mapped());
        Apply(next.key(), change.version);
        // The claim goes with the change, before anyone hears that it is done.
    }
    lock.lock();
    m_nBusyFirstTicket.reset();
    m_cvDone.notify_all();
    lock.unlock();
    if (m_wake) m_wake();
    lock.lock();
}
