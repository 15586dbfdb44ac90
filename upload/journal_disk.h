// Where the journals of upload passes are kept, and the few questions about picture files
// that keeping them needs. The Win32 side keeps them in the user's local application data;
// tests keep them in a scratch folder or in memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "upload/pass_journal.h"

// Held while a pass of one journal runs in this process; released when destroyed (and by the
// system when the process dies, however it dies).
class CPassClaim {
public:
    virtual ~CPassClaim() = default;
};

// Bytes to write over a journal's own, at an offset from its start.
struct JournalPiece {
    std::size_t nOffset = 0;
    std::string strBytes;
};

class CJournalDisk {
public:
    virtual ~CJournalDisk() = default;
    // The journal's bytes; nothing when there is none, or it is longer than nMaxBytes (it is
    // then not read at all). The caller holds its claim: no pass replaces it meanwhile.
    virtual std::optional<std::string> Read(const std::string& strName, std::size_t nMaxBytes) = 0;
    // Whole or not at all: whenever the process dies, the old bytes or the new are there.
    virtual bool Replace(const std::string& strName, const std::string& strBytes) = 0;
    // Writes the pieces over the journal in place, on the disk before it returns. False when
    // there is no such journal, it is not nLength bytes long (not the one the caller wrote), or
    // a piece could not be written; the pieces written stay.
    virtual bool Patch(const std::string& strName, std::size_t nLength, const std::vector<JournalPiece>& pieces) = 0;
    virtual void Remove(const std::string& strName) = 0;
    // Every journal kept, by name.
    virtual std::vector<std::string> List() = 0;
    // Nothing when a pass of this journal runs elsewhere (another control, another process).
    virtual std::unique_ptr<CPassClaim> Claim(const std::string& strName) = 0;
    // A picture file's size and last-write time; nothing when it cannot be read.
    virtual std::optional<FileStamp> StampOf(const std::string& strPath) = 0;
    // Seconds since 1970.
    virtual std::int64_t Now() = 0;
};
