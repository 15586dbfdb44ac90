#include "transport/multipart_body.h"

#include <algorithm>
#include <cstring>

CMultipartBody::CMultipartBody(const CMultipartForm& form, CBodyReader& reader, uint32_t nFileSize)
    : m_form(form), m_reader(reader), m_strTrailer(form.Trailer()), m_nFileSize(nFileSize) {}

uint64_t CMultipartBody::TotalBytes() const {
    return m_form.FormData().size() + uint64_t{m_nFileSize} + m_strTrailer.size();
}

CMultipartBody::Chunk CMultipartBody::Next(Buffer buffer) {
    if (m_bFailed) return {ChunkStatus::ReadFailed, Section::File, 0};
    if (m_bDone) return {ChunkStatus::Done, Section::Trailer, 0};
    switch (m_section) {
    case Section::Form: return NextOfText(buffer, m_form.FormData());
    case Section::File: return NextOfFile(buffer);
    case Section::Trailer: return NextOfText(buffer, m_strTrailer);
    }
    return {ChunkStatus::Done, Section::Trailer, 0};
}

CMultipartBody::Chunk CMultipartBody::NextOfText(Buffer buffer, const std::string& text) {
    const Section section = m_section;
    const size_t nSize = std::min<size_t>(kChunkSize, text.size() - m_nTextOffset);
    std::memcpy(buffer.data(), text.data() + m_nTextOffset, nSize);
    m_nTextOffset += nSize;
    m_nProduced += nSize;
    if (nSize < kChunkSize) {
        m_nTextOffset = 0;
        if (section == Section::Trailer)
            m_bDone = true;
        else
            m_section = Section::File;
    }
    return {ChunkStatus::Data, section, static_cast<uint32_t>(nSize)};
}

CMultipartBody::Chunk CMultipartBody::NextOfFile(Buffer buffer) {
    const uint32_t nWanted = std::min(kChunkSize, m_nFileSize - m_nFileRead);
    uint32_t nRead = 0;
    // Once the announced size is reached the file is not asked again: that last, empty
    // chunk stands for the read that finds the end of the file.
    if (nWanted > 0 && (!m_reader.Read(buffer.data(), nWanted, nRead) || nRead > nWanted)) {
        m_bFailed = true;
        return {ChunkStatus::ReadFailed, Section::File, 0};
    }
    m_nFileRead += nRead;
    if (nRead < kChunkSize) {
        // A file that shrank since its size was taken would leave the body short of its
        // Content-Length; the server could only wait for bytes that never come.
        if (m_nFileRead != m_nFileSize) {
            m_bFailed = true;
            return {ChunkStatus::ReadFailed, Section::File, 0};
        }
        m_section = Section::Trailer;
    }
    m_nProduced += nRead;
    return {ChunkStatus::Data, Section::File, nRead};
}
