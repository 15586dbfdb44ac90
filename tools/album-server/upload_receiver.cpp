#include "upload_receiver.h"

#include <algorithm>

CUploadReceiver::CUploadReceiver(std::filesystem::path incomingDir, KeepBudget budget)
    : m_incomingDir(std::move(incomingDir)), m_budget(std::move(budget)) {}

bool CUploadReceiver::OnPart(const std::string& name, const std::string& filename) {
    if (++m_nParts > kMaxParts) {
        m_bMalformed = true;
        m_target = Target::Ignored;
        return true;
    }
    if (name == kFileField) {
        if (m_bHasFile) {
            m_target = Target::Ignored;  // a second file part is not part of this protocol
            return true;
        }
        m_bHasFile = true;
        m_strFileName = filename;
        m_target = Target::File;
        const auto budget = m_budget(m_fields);
        if (budget) {
            m_nBudget = *budget;
            m_pFile = std::make_unique<CIncomingFile>(m_incomingDir);
            if (!m_pFile->Ok()) m_bWriteFailed = true;
        }
        return true;
    }
    if (!m_fields.try_emplace(name).second) {
        m_bMalformed = true;  // which of two signatures would count?
        m_target = Target::Ignored;
        return true;
    }
    m_target = Target::Field;
    m_strCurrent = name;
    return true;
}

bool CUploadReceiver::OnData(const char* pData, size_t nSize) {
    switch (m_target) {
    case Target::Field: {
        std::string& value = m_fields[m_strCurrent];
        if (value.size() + nSize > kMaxFieldBytes) {
            m_bMalformed = true;
            return true;
        }
        value.append(pData, nSize);
        return true;
    }
    case Target::File: {
        if (m_strHead.size() < 8) m_strHead.append(pData, std::min<size_t>(nSize, 8 - m_strHead.size()));
        m_hash.Update(pData, nSize);
        const uint64_t nBefore = m_nFileBytes;
        m_nFileBytes += nSize;
        if (m_pFile && !m_bWriteFailed && nBefore < m_nBudget) {
            // Beyond the budget the upload is refused anyway: spare the disk.
            const size_t nKeep = static_cast<size_t>(std::min<uint64_t>(nSize, m_nBudget - nBefore));
            if (!m_pFile->Write(pData, nKeep)) m_bWriteFailed = true;
        }
        return true;
    }
    case Target::None:
    case Target::Ignored: return true;
    }
    return true;
}

bool CUploadReceiver::Finish() {
    if (m_bHasFile) m_strSha256 = m_hash.FinishHex();
    if (m_pFile && !m_pFile->Close()) m_bWriteFailed = true;
    return !m_bWriteFailed;
}

std::optional<std::string> CUploadReceiver::Field(const std::string& name) const {
    const auto it = m_fields.find(name);
    if (it == m_fields.end()) return std::nullopt;
    return it->second;
}

PictureKind CUploadReceiver::ContentKind() const { return PictureKindOfContent(m_strHead); }
