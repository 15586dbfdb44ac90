#include "transport/http_upload.h"

#include "framework/file_reader.h"
#include "framework/text.h"
#include "transport/answer_file.h"
#include "transport/file_body_reader.h"
#include "transport/internet_handle.h"
#include "transport/random_string.h"
#include "transport/transfer_messages.h"

namespace {

constexpr size_t kBoundaryLength = 6;
// Add, replacing a header of the same name.
constexpr DWORD kAddHeaderFlags = HTTP_ADDREQ_FLAG_ADD | HTTP_ADDREQ_FLAG_REPLACE;
// Asynchronous, and the request is being started (not continued).
constexpr DWORD kSendRequestFlags = HSR_ASYNC | HSR_INITIATE;
static_assert(CRequestContext::kSendBufferSize == CMultipartBody::kChunkSize);

}  // namespace

CHttpUpload::CHttpUpload() { ResetForm(); }

CHttpUpload::~CHttpUpload() {
    // While this object's members still exist: the worker reads the form and the file.
    Stop();
}

void CHttpUpload::ResetForm() {
    EndJob();
    ClearAnswer();
    m_bSending = false;
    m_strFilePath.clear();
    m_form.ResetForm(MakeRandomString(kBoundaryLength, m_random));
    m_nTotalBytes = 0;
    m_nSentBytes = 0;
}

void CHttpUpload::AddField(const std::string& name, const std::string& value) { m_form.AddField(name, value); }

BOOL CHttpUpload::StartUpload(const std::string& fileFieldName, const std::string& url, const std::string& filePath) {
    if (filePath.empty()) return Refuse(StartRefusal::BadAddress);
    // The worker of a previous job may still read the form: stop it before touching it.
    EndJob();
    m_form.AddFilePart(fileFieldName, filePath, IsAnsiLeadByte);
    m_strFilePath = filePath;
    m_bPost = true;
    m_bSending = false;
    SetUseProxy(false);
    if (m_strAnswerPath.empty()) m_strAnswerPath = MakeAnswerPath();
    return Start(url, m_strAnswerPath);
}

void CHttpUpload::DiscardAnswerFile() {
    // The worker may not yet have said that its job, whose end was posted, is over.
    EndJob();
    CloseAnswerFile();
    if (m_strAnswerPath.empty()) return;
    DeleteFileA(m_strAnswerPath.c_str());
    m_strAnswerPath.clear();
}

void CHttpUpload::Cancel() {
    m_bSending = false;
    Stop();
}

void CHttpUpload::OnWorkerAbandoned() {
    CloseFile();
    m_bSending = false;
}

StepResult CHttpUpload::SendRequest() {
    m_bSending = true;
    const std::string contentType = m_form.ContentTypeHeader();
    if (!HttpAddRequestHeadersA(RequestHandle(), contentType.c_str(), static_cast<DWORD>(contentType.size()),
                                kAddHeaderFlags))
        ThrowLastInternetError();

    // Reopened for every attempt: each sends the whole body from its first byte.
    m_hFile = OpenFileForReading(m_strFilePath);
    const auto nFileSize = m_hFile ? OpenFileLength(m_hFile.Get()) : std::nullopt;
    if (!nFileSize) {
        CloseFile();
        FailOnLocalFile();
        return StepResult::Failed;
    }
    // The length is fixed before the first byte goes out; a body that does not fit the
    // 32-bit length it is sent with is not sent at all.
    const auto nTotal = m_form.ContentLength(*nFileSize);
    if (!nTotal) {
        CloseFile();
        return StepResult::Failed;
    }
    m_nTotalBytes = *nTotal;
    m_nSentBytes = 0;

    // Whatever ends the send early leaves the file closed and no more progress reported.
    struct CSendingScope {
        CHttpUpload& upload;
        bool bDone = false;
        ~CSendingScope() {
            if (!bDone) {
                upload.CloseFile();
                upload.m_bSending = false;
            }
        }
    } scope{*this};

    char* pBuffer = RequestContext()->SendBuffer();
    if (!pBuffer) return StepResult::Failed;
    CFileBodyReader reader(m_hFile.Get());
    CMultipartBody body(m_form, reader, static_cast<uint32_t>(*nFileSize));
    // The first chunk goes out with the headers, in the same send.
    const auto first = NextChunk(body);
    if (!first) return StepResult::Failed;
    INTERNET_BUFFERSA& buffers = RequestContext()->SendBuffers();
    buffers = INTERNET_BUFFERSA{};
    buffers.dwStructSize = sizeof(INTERNET_BUFFERSA);
    buffers.lpvBuffer = pBuffer;
    buffers.dwBufferLength = first->nSize;
    buffers.dwBufferTotal = m_nTotalBytes;
    ExpectCompletion();
    if (!HttpSendRequestExA(RequestHandle(), &buffers, nullptr, kSendRequestFlags, 0)) {
        const StepResult r = AwaitCompletion();
        if (r != StepResult::Continue) return r;
    }
    OnBytesTransferred(first->nSize);

    const StepResult r = SendBody(body);
    if (r != StepResult::Continue) return r;

    ExpectCompletion();
    if (!HttpEndRequestA(RequestHandle(), nullptr, 0, 0)) {
        const StepResult rEnd = AwaitCompletion();
        if (rEnd != StepResult::Continue) return rEnd;
    }
    scope.bDone = true;
    m_bSending = false;
    return StepResult::Continue;
}

std::optional<CMultipartBody::Chunk> CHttpUpload::NextChunk(CMultipartBody& body) {
    const CMultipartBody::Chunk chunk =
        body.Next(CMultipartBody::Buffer(RequestContext()->SendBuffer(), CMultipartBody::kChunkSize));
    if (chunk.status == CMultipartBody::ChunkStatus::ReadFailed) {
        FailOnLocalFile();
        return std::nullopt;
    }
    // The file is done with once the trailer comes.
    if (chunk.section == CMultipartBody::Section::Trailer && m_hFile) CloseFile();
    return chunk;
}

StepResult CHttpUpload::SendBody(CMultipartBody& body) {
    for (;;) {
        // WinINet writes synchronously here, so a stop would otherwise wait for the end of the
        // body; the flag costs no system call.
        if (IsStopRequested()) return StepResult::Stopped;
        const auto chunk = NextChunk(body);
        if (!chunk) return StepResult::Failed;
        if (chunk->status == CMultipartBody::ChunkStatus::Done) return StepResult::Continue;
        const StepResult r = WriteChunk(RequestContext()->SendBuffer(), chunk->nSize);
        if (r != StepResult::Continue) return r;
        OnBytesTransferred(chunk->nSize);
    }
}

StepResult CHttpUpload::WriteChunk(const char* pBuffer, uint32_t nSize) {
    const HINTERNET hRequest = RequestHandle();
    DWORD* pWritten = &RequestContext()->WrittenCount();
    ExpectCompletion();
    // WinINet here sends on this thread, and a server that stops reading holds the call until
    // the send timeout, out of reach of the stop event: hence a blocking call. The count
    // written is not compared: WinINet either sends the whole chunk or fails.
    if (BlockingCall([&] { return InternetWriteFile(hRequest, pBuffer, nSize, pWritten); }))
        return StepResult::Continue;
    return AwaitCompletion();
}

void CHttpUpload::OnBytesTransferred(uint32_t nBytes) {
    if (!m_bSending || m_nTotalBytes == 0) return;
    m_nSentBytes += nBytes;
    Notify().PostProgress(m_nSentBytes, m_nTotalBytes, m_nSentBytes == m_nTotalBytes);
}
