// Produces one upload's body chunk by chunk, in the order and sizes it is written to the
// request: the form text, the file streamed through a reader, then the trailer.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "transport/body_reader.h"
#include "transport/multipart_form.h"

class CMultipartBody {
public:
    static constexpr uint32_t kChunkSize = 10240;
    using Buffer = std::span<char, kChunkSize>;

    enum class Section { Form, File, Trailer };
    enum class ChunkStatus {
        Data,        // nSize bytes (possibly 0) are in the buffer: write them, report progress
        Done,        // the whole body has been produced; nothing to write or report
        ReadFailed,  // the file could not be read, or ended before the size it was sent with
    };
    struct Chunk {
        ChunkStatus status;
        Section section;
        uint32_t nSize;
    };

    // The form must outlive the body and stay unchanged while it is produced; nFileSize is
    // the size the Content-Length was computed with. The file is read only up to that size,
    // so the body never disagrees with the length announced for it.
    CMultipartBody(const CMultipartForm& form, CBodyReader& reader, uint32_t nFileSize);

    // Each section ends with the first chunk shorter than kChunkSize, an empty one included:
    // a section whose length is a multiple of kChunkSize ends with an empty chunk, which
    // writes nothing but still counts as a progress report.
    Chunk Next(Buffer buffer);

    uint64_t TotalBytes() const;
    uint64_t ProducedBytes() const { return m_nProduced; }

private:
    Chunk NextOfText(Buffer buffer, const std::string& text);
    Chunk NextOfFile(Buffer buffer);

    const CMultipartForm& m_form;
    CBodyReader& m_reader;
    const std::string m_strTrailer;
    const uint32_t m_nFileSize;
    Section m_section = Section::Form;
    bool m_bDone = false;
    bool m_bFailed = false;
    size_t m_nTextOffset = 0;
    uint32_t m_nFileRead = 0;
    uint64_t m_nProduced = 0;
};
