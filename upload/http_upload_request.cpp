#include "upload/http_upload_request.h"

void CHttpUploadRequest::DiscardAnswer(const std::string& strAnswerPath) {
    // Only the file this upload named: a path from anywhere else is never deleted.
    if (!strAnswerPath.empty() && strAnswerPath == m_upload.GetOutputPath()) DeleteFileA(strAnswerPath.c_str());
}

void CHttpUploadRequest::Cancel() {
    m_upload.Cancel();
    // A stopped job never reports its end, so its answer file is let go here.
    DiscardAnswer(m_upload.GetOutputPath());
}
