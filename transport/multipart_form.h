// The text of one upload's multipart/form-data body: field parts, the file part header,
// the trailer, and the lengths and request header that go with them.
#pragma once
#include "base/mbcs_text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CMultipartForm {
public:
    // Starts a new, empty form; each picture gets its own boundary.
    void ResetForm(std::string strBoundary);
    // Names and values go into the body byte for byte: nothing is quoted or re-encoded.
    void AddField(std::string_view name, std::string_view value);
    // Appends the header of the file part, named after the path's file-name part (walked by
    // character with pfnIsLead); the file's bytes follow it on the wire.
    void AddFilePart(std::string_view fieldName, std::string_view filePath, LeadByteTest pfnIsLead);

    const std::string& FormData() const { return m_strFormData; }
    const std::string& Boundary() const { return m_strBoundary; }
    std::string Trailer() const;
    // "Content-Type: multipart/form-data; boundary=...\r\n", the one header the upload adds.
    std::string ContentTypeHeader() const;
    // Form text + file + trailer; none when it does not fit the 32-bit length the request
    // is sent with (a wrapped length would announce a body other than the one sent).
    std::optional<uint32_t> ContentLength(uint64_t nFileSize) const;

private:
    std::string m_strFormData;
    std::string m_strBoundary;
};
