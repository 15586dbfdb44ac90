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

#include "sha256.h"
#include "incoming_file.h"

class CUploadReceiver {
public:
    static constexpr std::string_view kFileField = "album";
    static constexpr size_t kMaxFieldBytes = 4096;

    // Asked when the file part begins, with the fields that came before it: how many bytes
    // of the file are worth keeping, none when the upload will be rejected anyway (e.g. for
    // its signature). The rest is still read and hashed, but not written.
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
    const std::string& FileName() const { return m_strFileName; }
    uint64_t FileBytes() const { return m_nFileBytes; }
    // True when every byte of the file is in the temporary file.
    bool FileKept() const { return m_pFile && m_nFileBytes <= m_nBudget; }
    const std::string& Sha256() const { return m_strSha256; }
    bool LooksLikePicture() const;
    CIncomingFile* File() { return m_pFile.get(); }
    bool Oversized() const { return m_bOversized; }

private:
    enum class Target { None, Field, File, Ignored };

    std::filesystem::path m_incomingDir;
    KeepBudget m_budget;
    std::map<std::string, std::string> m_fields;
    Target m_target = Target::None;
    std::string m_strCurrent;
    bool m_bHasFile = false;
    bool m_bOversized = false;
    std::string m_strFileName;
    std::string m_strHead;  // the first bytes of the file, for its signature
    uint64_t m_nFileBytes = 0;
    uint64_t m_nBudget = 0;  // bytes to write; meaningful only with m_pFile
    std::unique_ptr<CIncomingFile> m_pFile;
    CSha256 m_hash;
    std::string m_strSha256;
    bool m_bWriteFailed = false;
};
