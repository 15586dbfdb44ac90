// Puts journals on the disk from a thread of its own, so that the user-interface thread never
// waits for the disk: not for a flush, nor for the stamps of a pass's pictures. Each change of
// a journal (a new version, or its removal) gets a ticket; a later change of the same journal
// takes the place of one not yet begun (the latest state wins); the owner hears through its
// wake when changes are done and asks which are.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "upload/journal_disk.h"
#include "upload/pass_journal.h"

// A pass as its journal lists it: the user, the album, the one folder and the pictures in it
// in the order they are queued. Shared, unchanged, by the recorder and its writer.
struct JournalPass {
    long nUser = 0;
    std::string strAlbum;
    std::string strFolder;              // with its trailing backslash
    std::vector<std::string> arrNames;  // within strFolder
};

// A version of a pass's journal: each picture's state, in the pass's order, and its time.
struct JournalVersion {
    std::shared_ptr<const JournalPass> pass;
    std::vector<JournalState> arrStates;
    std::int64_t nWrittenAt = 0;
};

class CJournalWriter {
public:
    // wake runs on the writer's thread after each change it made; it should only tell the
    // owner's thread, which then asks IsWritten.
    CJournalWriter(CJournalDisk& disk, std::function<void()> wake) : m_disk(disk), m_wake(std::move(wake)) {}
    // Waits for the changes queued, at most kEndWaitMs, then ends the thread.
    ~CJournalWriter() { End(kEndWaitMs); }
    CJournalWriter(const CJournalWriter&) = delete;
    CJournalWriter& operator=(const CJournalWriter&) = delete;

    // How long the control's end waits for its last journal to reach the disk.
    static constexpr unsigned kEndWaitMs = 2000;

    // Queues a new version of the journal, or its removal (nothing), its ticket returned. The
    // claim is held until the change is done: no other control takes the journal meanwhile.
    // A version lists the pictures whose files could be read when its pass was first written
    // (one that cannot be read fails anyway, and is not worth resuming); a version with none
    // of them left to send removes the journal.
    std::uint64_t Write(const std::string& strName, std::optional<JournalVersion> version,
                        std::shared_ptr<CPassClaim> claim);
    // True when the change of this ticket, and every earlier one, is done (written, or taken
    // over by a later change that is).
    bool IsWritten(std::uint64_t nTicket) const;
    // Waits at most nWaitMs until every queued change is done; true when they are.
    bool Flush(unsigned nWaitMs);
    // Flush, then the thread ends. Changes still queued then are dropped: an older version of
    // a journal stays, whose states each picture has already passed, so at worst a picture
    // goes up again. A later Write starts the thread afresh.
    void End(unsigned nWaitMs);

private:
    struct Change {
        std::optional<JournalVersion> version;
        std::shared_ptr<CPassClaim> claim;
        std::uint64_t nFirstTicket = 0;  // the earliest change this one stands for
    };

    void Run();
    // Makes the first queued change, m_lock held on entry and on return (not meanwhile).
    void WriteNext(std::unique_lock<std::mutex>& lock);
    // Writes the version, or removes the journal when there is none, nothing in it is left to
    // send, or it cannot be written.
    void Apply(const std::string& strName, const std::optional<JournalVersion>& version);
    // Writes over the journal last written the states that changed since: true when done. Its
    // time stays that of the version last written whole. A pass of many small pictures changes
    // a few letters per picture, and would otherwise have its whole list written for each.
    bool WriteChanges(const std::string& strName, const JournalVersion& version);
    bool WriteWhole(const std::string& strName, const JournalVersion& version);
    // The journal of a version, its pictures stamped when their pass is first seen.
    CPassJournal JournalOf(const JournalVersion& version);
    // The earliest ticket not yet done; past the last one when all are. Under m_lock.
    std::uint64_t FirstUndone() const;

    CJournalDisk& m_disk;
    std::function<void()> m_wake;
    // The writer's thread's own: the last pass stamped, and its pictures' stamps (nothing
    // for a file that could not be read).
    std::shared_ptr<const JournalPass> m_stampedPass;
    std::vector<std::optional<FileStamp>> m_stamps;
    // The journal last written whole, as it now stands on the disk, and where each of its
    // pass's pictures has its state letter (npos for one not listed).
    struct Written {
        std::string strName;
        std::shared_ptr<const JournalPass> pass;
        std::string strText;
        std::vector<std::size_t> arrStateAt;
    };
    std::optional<Written> m_written;

    mutable std::mutex m_lock;
    std::condition_variable m_cvWork;  // a change queued, or the end
    std::condition_variable m_cvDone;  // a change done
    std::map<std::string, Change> m_queued;
    // The change being made, from the moment it leaves the queue until it is done.
    std::optional<std::uint64_t> m_nBusyFirstTicket;
    std::uint64_t m_nLastTicket = 0;
    bool m_bEnd = false;
    std::thread m_thread;
};
