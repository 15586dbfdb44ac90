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
        Data,        // nSize bytes (at least one) are in the buffer: write them, report progress
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

    // The buffer filled with the body's next bytes, across its sections: every chunk is full
    // but the last, so that a small picture goes out in as few writes as its size allows.
    // The chunk's section is that of its last byte (Trailer: the file is all read). Done once
    // the whole body has been produced.
    Chunk Next(Buffer buffer);

    uint64_t TotalBytes() const;
    uint64_t ProducedBytes() const { return m_nProduced; }

private:
    // Appends to the chunk what the current section has left, as much as fits.
    void FillFromText(Buffer buffer, uint32_t& nFilled, const std::string& text);
    void FillFromFile(Buffer buffer, uint32_t& nFilled);

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
