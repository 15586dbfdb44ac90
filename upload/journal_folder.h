// The journals of upload passes as files of the control's own folder in the user's local
// application data (not roaming: a list of local files means nothing on another machine).
// A journal is replaced by writing a new file, flushing it to the disk, then moving it over
// the old one; a pass's claim is a lock file no other handle may share, which the system
// closes, and so deletes, when the process ends in any way.
#pragma once
#include <windows.h>

#include <string>

#include "upload/journal_disk.h"

class CJournalFolder : public CJournalDisk {
public:
    // The user's own folder for the control.
    CJournalFolder();
    // Another folder (tests); with its trailing backslash.
    explicit CJournalFolder(std::string strFolder) : m_strFolder(std::move(strFolder)) {}

    std::optional<std::string> Read(const std::string& strName, std::size_t nMaxBytes) override;
    bool Replace(const std::string& strName, const std::string& strBytes) override;
    bool Patch(const std::string& strName, std::size_t nLength, const std::vector<JournalPiece>& pieces) override;
    void Remove(const std::string& strName) override;
    std::vector<std::string> List() override;
    std::unique_ptr<CPassClaim> Claim(const std::string& strName) override;
    std::optional<FileStamp> StampOf(const std::string& strPath) override;
    std::int64_t Now() override;

    const std::string& Folder() const { return m_strFolder; }

private:
    // Made when first needed; false when it cannot be.
    bool MakeFolder() const;

    std::string m_strFolder;  // empty when the system has none to give
};
