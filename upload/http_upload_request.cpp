#include "upload/http_upload_request.h"

void CHttpUploadRequest::Cancel() {
    m_upload.Cancel();
    // A stopped job never reports its end, so its answer file is let go here.
    DiscardAnswer();
}
