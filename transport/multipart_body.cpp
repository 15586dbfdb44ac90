#include "transport/multipart_body.h"

#include <algorithm>
#include <cstring>

CMultipartBody::CMultipartBody(const CMultipartForm& form, CBodyReader& reader, uint32_t nFileSize)
    : m_form(form), m_reader(reader), m_strTrailer(form.Trailer()), m_nFileSize(nFileSize) {}

uint64_t CMultipartBody::TotalBytes() const {
    return m_form.FormData().size() + uint64_t{m_nFileSize} + m_strTrailer.size();
}

CMultipartBody::Chunk CMultipartBody::Next(Buffer buffer) {
    uint32_t nFilled = 0;
    Section section = m_section;
    while (nFilled < kChunkSize && !m_bDone && !m_bFailed) {
        section = m_section;
        switch (m_section) {
        case Section::Form: FillFromText(buffer, nFilled, m_form.FormData()); break;
        case Section::File: FillFromFile(buffer, nFilled); break;
        case Section::Trailer: FillFromText(buffer, nFilled, m_strTrailer); break;
        }
    }
    if (m_bFailed) return {ChunkStatus::ReadFailed, Section::File, 0};
    m_nProduced += nFilled;
    if (nFilled == 0) return {ChunkStatus::Done, Section::Trailer, 0};
    return {ChunkStatus::Data, section, nFilled};
}

void CMultipartBody::FillFromText(Buffer buffer, uint32_t& nFilled, const std::string& text) {
    const size_t nSize = std::min<size_t>(kChunkSize - nFilled, text.size() - m_nTextOffset);
    std::memcpy(buffer.data() + nFilled, text.data() + m_nTextOffset, nSize);
    m_nTextOffset += nSize;
    nFilled += static_cast<uint32_t>(nSize);
    if (m_nTextOffset < text.size()) return;
    m_nTextOffset = 0;
    if (m_section == Section::Trailer)
        m_bDone = true;
    else
        m_section = Section::File;
}

void CMultipartBody::FillFromFile(Buffer buffer, uint32_t& nFilled) {
    // The file is read only up to the size announced: one that grew since sends what it had.
    const uint32_t nWanted = std::min(kChunkSize - nFilled, m_nFileSize - m_nFileRead);
    uint32_t nRead = 0;
    // A file that shrank since its size was taken would leave the body short of its
    // Content-Length; the server could only wait for bytes that never come.
    if (nWanted > 0 && (!m_reader.Read(buffer.data() + nFilled, nWanted, nRead) || nRead != nWanted)) {
        m_bFailed = true;
        return;
    }
    m_nFileRead += nRead;
    nFilled += nRead;
    if (m_nFileRead == m_nFileSize) m_section = Section::Trailer;
}
