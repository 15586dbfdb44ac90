// One picture's upload: the multipart/form-data POST that the transfer engine sends, streamed
// from the file in 10240-byte chunks with a progress report after each.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "framework/scoped_handle.h"
#include "transport/random_string.h"
#include "transport/http_transfer.h"
#include "transport/multipart_body.h"
#include "transport/multipart_form.h"

// Used on the user-interface thread as: ResetForm, AddField for each text field, StartUpload;
// the listener hears OnProgress (done, total) per chunk and OnFinished at the end, and the
// server's verdict is then read with GetHeaderNumber / GetHeaderString.
class CHttpUpload : public CHttpTransfer {
public:
    CHttpUpload();
    ~CHttpUpload() override;

    // Stops any job, forgets its answer's headers, then starts an empty form with a new
    // boundary.
    void ResetForm();
    // One text field; name and value go into the body byte for byte.
    void AddField(const std::string& name, const std::string& value);
    // Adds the file part and starts the job; the server's answer goes to the upload's answer
    // file, of 8 random characters in the temporary folder: made by the first job, written
    // over by each later one until DiscardAnswerFile. Nonzero when the job started; otherwise
    // GetStartRefusal says why.
    BOOL StartUpload(const std::string& fileFieldName, const std::string& url, const std::string& filePath);
    // Ends the job; the listener hears nothing more of it.
    void Cancel();
    // Ends any job; the answer file goes, and the next job makes a new one.
    void DiscardAnswerFile();

    const std::string& GetBoundary() const { return m_form.Boundary(); }
    const std::string& GetFormData() const { return m_form.FormData(); }

protected:
    StepResult SendRequest() override;
    void OnBytesTransferred(uint32_t nBytes) override;
    void OnWorkerAbandoned() override;

private:
    // Writes the first nSize bytes of pBuffer.
    StepResult WriteChunk(const char* pBuffer, uint32_t nSize);
    // The body's next chunk in the send buffer; nothing when the file could not be read, the
    // job then failing on its local file.
    std::optional<CMultipartBody::Chunk> NextChunk(CMultipartBody& body);
    // What is left of the body after its first chunk, which went out with the headers.
    StepResult SendBody(CMultipartBody& body);
    void CloseFile() { m_hFile.Reset(); }

    CMultipartForm m_form;
    std::string m_strFilePath;
    // Kept from job to job: making and deleting a file costs more under Wine than posting a
    // small picture.
    std::string m_strAnswerPath;
    CScopedHandle m_hFile;
    uint32_t m_nTotalBytes = 0;
    uint32_t m_nSentBytes = 0;
    // Cleared by Cancel on the user-interface thread while the worker may be reporting.
    std::atomic<bool> m_bSending{false};
    CCrtRandom m_random;
};
