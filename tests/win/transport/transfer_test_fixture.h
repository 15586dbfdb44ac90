// What the engine and upload tests share: one upload object with a recording listener, the
// checks every finished job must pass, and a process-wide check for leaked handles and threads.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "transport/http_upload.h"
#include "transport_test_support.h"

// A job heard as a whole: it began with OnConnecting, ended with exactly one OnFinished
// carrying the code, with OnError (same code) just before it exactly when it failed.
void ExpectWellFormedJob(const CRecordingListener& listener, TransferCode code);

// Progress reports: within each attempt rising done values, all with the same total.
// Returns how many attempts reported their whole body (the last report, done = total, is
// never merged away).
size_t CheckProgressReports(const CRecordingListener& listener, uint32_t nTotal);

class TransferTest : public testing::Test {
protected:
    TransferTest();
    void SetUp() override;
    void TearDown() override;

    // Starts an upload of the batch's fields and `file` as part "album" to url, and pumps
    // messages until it finishes. Returns the code heard (Failed after a time-out).
    TransferCode Upload(const std::string& url, const std::string& filePath, DWORD dwTimeoutMs = 60000);
    // Fields the album server takes, for a picture named `name`.
    void AddAlbumFields(const std::string& name, uint64_t nFileSize, const std::string& album = "Travel");
    // The body length of the current form with a file of nFileSize bytes.
    uint32_t BodyLength(uint64_t nFileSize) const;
    std::string AnswerPath() const;
    std::string Answer() const;

    CRecordingListener m_listener;
    std::unique_ptr<CHttpUpload> m_pUpload;
};
