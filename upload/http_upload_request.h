// The batch's request over the HTTP upload of the transport.
#pragma once
#include "transport/http_upload.h"
#include "upload/upload_request.h"

class CHttpUploadRequest : public CUploadRequest {
public:
    // The listener hears the upload's progress and end.
    void SetListener(CTransferListener* pListener) { m_upload.SetListener(pListener); }

    void ResetForm() override { m_upload.ResetForm(); }
    void AddField(const std::string& name, const std::string& value) override { m_upload.AddField(name, value); }
    StartRefusal StartUpload(const std::string& fileFieldName, const std::string& url,
                             const std::string& filePath) override {
        return m_upload.StartUpload(fileFieldName, url, filePath) ? StartRefusal::None : m_upload.GetStartRefusal();
    }
    void Cancel() override;
    uint32_t AnswerStatus() const override { return m_upload.GetStatus(); }
    bool GetHeaderNumber(const std::string& name, uint32_t& nValue) const override {
        return m_upload.GetHeaderNumber(name, nValue);
    }
    bool GetHeaderString(const std::string& name, std::string& strValue, bool bTrim) const override {
        return m_upload.GetHeaderString(name, strValue, bTrim);
    }
    void DiscardAnswer() override { m_upload.DiscardAnswerFile(); }

    CHttpUpload& Upload() { return m_upload; }

private:
    CHttpUpload m_upload;
};
