#include "transport/multipart_form.h"

#include <limits>

void CMultipartForm::ResetForm(std::string strBoundary) {
    m_strBoundary = std::move(strBoundary);
    m_strFormData.clear();
}

void CMultipartForm::AddField(std::string_view name, std::string_view value) {
    m_strFormData.append("--").append(m_strBoundary).append("\r\n");
    m_strFormData.append("Content-Disposition: form-data; name=\"").append(name).append("\"\r\n");
    m_strFormData.append("\r\n");
    m_strFormData.append(value).append("\r\n");
}

void CMultipartForm::AddFilePart(std::string_view fieldName, std::string_view filePath, LeadByteTest pfnIsLead) {
    m_strFormData.append("--").append(m_strBoundary).append("\r\n");
    m_strFormData.append("Content-Disposition: form-data; name=\"")
        .append(fieldName)
        .append("\"; filename=\"")
        .append(GetFileNamePart(filePath, pfnIsLead))
        .append("\"\r\n");
    m_strFormData.append("Content-Type: application/octet-stream\r\n");
    m_strFormData.append("Content-Transfer-Encoding: binary\r\n");
    m_strFormData.append("\r\n");
}

std::string CMultipartForm::Trailer() const { return "\r\n--" + m_strBoundary + "--\r\n\r\n"; }

std::string CMultipartForm::ContentTypeHeader() const {
    return "Content-Type: multipart/form-data; boundary=" + m_strBoundary + "\r\n";
}

std::optional<uint32_t> CMultipartForm::ContentLength(uint64_t nFileSize) const {
    constexpr uint64_t nMax = std::numeric_limits<uint32_t>::max();
    if (nFileSize > nMax) return std::nullopt;
    const uint64_t nTotal = m_strFormData.size() + Trailer().size() + nFileSize;
    if (nTotal > nMax) return std::nullopt;
    return static_cast<uint32_t>(nTotal);
}
