// What the upload batch needs of the transfer: one multipart POST at a time, its verdict
// headers, and the end of it. The Win32 side implements it over the HTTP upload.
#pragma once
#include <cstdint>
#include <string>

#include "transport/transfer_code.h"

class CUploadRequest {
public:
    virtual ~CUploadRequest() = default;
    // Stops any job and starts an empty form; the previous answer's headers are forgotten.
    virtual void ResetForm() = 0;
    virtual void AddField(const std::string& name, const std::string& value) = 0;
    // None when the job started; otherwise why nothing was started (no completion follows).
    virtual StartRefusal StartUpload(const std::string& fileFieldName, const std::string& url,
                                     const std::string& filePath) = 0;
    // Ends the job; its listener hears nothing more of it.
    virtual void Cancel() = 0;
    // The status of the job's answer, 0 when it got none; the headers below are the answer's.
    virtual uint32_t AnswerStatus() const = 0;
    virtual bool GetHeaderNumber(const std::string& name, uint32_t& nValue) const = 0;
    virtual bool GetHeaderString(const std::string& name, std::string& strValue, bool bTrim) const = 0;
    // Ends any job: the file the answers' bodies went to is of no more use, and goes.
    virtual void DiscardAnswer() = 0;
};
