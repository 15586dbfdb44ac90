// Collects the parts of one multipart upload as they stream in: the text fields in memory,
// the file part into a temporary file, hashed on the way.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "file_names.h"
#include "incoming_file.h"
#include "sha256.h"

class CUploadReceiver {
public:
    static constexpr std::string_view kFileField = "album";
    // The control's form has six parts, each field a few dozen bytes: anything much bigger
    // is not an upload, and is read without being kept.
    static constexpr size_t kMaxFieldBytes = 4096;
    static constexpr size_t kMaxParts = 16;

    // Asked when the file part begins, with the fields that came before it: how many bytes
    // of the file are worth keeping (e.g. what is left of the quota), or nothing at all when
    // the fields so far do not authorise an upload; then no file is made, and the part is
    // read and hashed, but not written.
    using KeepBudget = std::function<std::optional<uint64_t>(const std::map<std::string, std::string>& fields)>;

    CUploadReceiver(std::filesystem::path incomingDir, KeepBudget budget);

    // The two callbacks of the multipart reader; false aborts the request.
    bool OnPart(const std::string& name, const std::string& filename);
    bool OnData(const char* pData, size_t nSize);
    // Call when the reader reported the whole body; closes the file.
    bool Finish();

    const std::map<std::string, std::string>& Fields() const { return m_fields; }
    std::optional<std::string> Field(const std::string& name) const;
    bool HasFile() const { return m_bHasFile; }
    // The file part came before what authorises it: it was read, never written.
    bool FileDiscarded() const { return m_bHasFile && !m_pFile; }
    const std::string& FileName() const { return m_strFileName; }
    uint64_t FileBytes() const { return m_nFileBytes; }
    // True when every byte of the file is in the temporary file.
    bool FileKept() const { return m_pFile && m_nFileBytes <= m_nBudget; }
    const std::string& Sha256() const { return m_strSha256; }
    PictureKind ContentKind() const;
    CIncomingFile* File() { return m_pFile.get(); }
    // A field over its size or given twice, or more parts than kMaxParts.
    bool Malformed() const { return m_bMalformed; }

private:
    enum class Target { None, Field, File, Ignored };

    std::filesystem::path m_incomingDir;
    KeepBudget m_budget;
    std::map<std::string, std::string> m_fields;
    Target m_target = Target::None;
    std::string m_strCurrent;
    bool m_bHasFile = false;
    bool m_bMalformed = false;
    size_t m_nParts = 0;
    std::string m_strFileName;
    std::string m_strHead;  // the first bytes of the file, for its signature
    uint64_t m_nFileBytes = 0;
    uint64_t m_nBudget = 0;  // bytes to write; meaningful only with m_pFile
    std::unique_ptr<CIncomingFile> m_pFile;
    CSha256 m_hash;
    std::string m_strSha256;
    bool m_bWriteFailed = false;
};
