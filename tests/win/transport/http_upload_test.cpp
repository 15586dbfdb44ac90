#include "transport/http_upload.h"

#include <gtest/gtest.h>

#include "transfer_test_fixture.h"

class HttpUploadBody : public TransferTest, public testing::WithParamInterface<uint64_t> {};

// The server stores exactly the file's bytes, whatever the size's relation to the chunks.
TEST_P(HttpUploadBody, ArrivesWholeAndByteForByte) {
    const uint64_t nSize = GetParam();
    const std::string name = "body-" + std::to_string(nSize) + ".bin";
    CScratchFile file(name, nSize, static_cast<uint32_t>(nSize));
    AddAlbumFields(name, nSize);
    const std::string formBefore = m_pUpload->GetFormData();
    ASSERT_EQ(Upload(AlbumUrl("/cgi-bin/upload"), file.Path()), TransferCode::Complete) << m_listener.Describe();
    ExpectWellFormedJob(m_listener, TransferCode::Complete);

    uint32_t nRetCode = 0;
    std::string info;
    ASSERT_TRUE(m_pUpload->GetHeaderNumber("Album-RetCode", nRetCode)) << m_pUpload->GetRawHeaders();
    m_pUpload->GetHeaderString("Error-Info", info, true);
    EXPECT_EQ(nRetCode, 100u) << info << "\n" << Answer();
    EXPECT_EQ(info, "上传成功");

    // The server's own account of what it received, and the stored file itself.
    const std::string answer = Answer();
    EXPECT_NE(answer.find("bytes " + std::to_string(nSize) + "\n"), std::string::npos) << answer;
    EXPECT_NE(answer.find("sha256 " + Sha256Hex(file.Path())), std::string::npos) << answer;
    EXPECT_TRUE(FilesEqual(file.Path(), AlbumFolder() + name)) << AlbumFolder() + name;
    DeleteFileA((AlbumFolder() + name).c_str());

    // The form grew by the file part's header only; the length announced is form + file +
    // trailer, and the reports run over it chunk by chunk.
    const std::string form = m_pUpload->GetFormData();
    ASSERT_EQ(form.compare(0, formBefore.size(), formBefore), 0);
    EXPECT_EQ(form.substr(formBefore.size()), "--" + m_pUpload->GetBoundary() +
                                                  "\r\nContent-Disposition: form-data; name=\"album\"; filename=\"" +
                                                  name +
                                                  "\"\r\nContent-Type: application/octet-stream\r\n"
                                                  "Content-Transfer-Encoding: binary\r\n\r\n");
    const uint32_t nBody = BodyLength(nSize);
    EXPECT_EQ(CheckProgressReports(m_listener, nBody), 1u);
    const size_t nFileChunks = static_cast<size_t>(nSize / 10240 + 1);
    // One report per chunk (form, file chunks, trailer), fewer when the queue merged some.
    EXPECT_LE(m_listener.Count(Heard::Progress), 1 + nFileChunks + 1);
    EXPECT_GE(m_listener.Count(Heard::Progress), 1u);
    EXPECT_EQ(m_listener.Last(Heard::Progress)->nFirst, nBody);
}

INSTANTIATE_TEST_SUITE_P(Sizes, HttpUploadBody,
                         testing::Values(uint64_t{0}, uint64_t{1}, uint64_t{10239}, uint64_t{10240}, uint64_t{10241},
                                         uint64_t{5} << 20, uint64_t{200} << 20));

TEST_F(TransferTest, HttpUploadSendsTheContentLengthItAnnounces) {
    for (uint64_t nSize : {uint64_t{0}, uint64_t{10240}, uint64_t{123457}}) {
        ClearFaultLog();
        m_pUpload->ResetForm();
        AddAlbumFields("length.bin", nSize);
        CScratchFile file("length.bin", nSize);
        ASSERT_EQ(Upload(FaultUrl("/ok"), file.Path()), TransferCode::Complete);
        const auto log = FaultLog();
        ASSERT_EQ(log.size(), 1u);
        // The fault server reads exactly Content-Length bytes and would wait for more.
        EXPECT_EQ(log[0].nBodyBytes, BodyLength(nSize)) << nSize;
        EXPECT_EQ(m_listener.Last(Heard::Progress)->nSecond, BodyLength(nSize));
        DeleteFileA(AnswerPath().c_str());
    }
}

TEST_F(TransferTest, HttpUploadFormOfAnExactMultipleOfTheChunkEndsWithAnEmptyReport) {
    // Pad one field so that the form text is exactly 10240 bytes.
    m_pUpload->AddField("pad", "");
    const size_t nFormSoFar = m_pUpload->GetFormData().size();
    m_pUpload->ResetForm();
    CScratchFile file("exact.bin", 10);
    const size_t nFileHeader = std::string(
                                   "--B12345\r\nContent-Disposition: form-data; name=\"album\"; filename=\"exact.bin\""
                                   "\r\nContent-Type: application/octet-stream\r\n"
                                   "Content-Transfer-Encoding: binary\r\n\r\n")
                                   .size();
    m_pUpload->AddField("pad", std::string(10240 - nFormSoFar - nFileHeader, 'x'));
    ASSERT_EQ(Upload(FaultUrl("/ok"), file.Path()), TransferCode::Complete);
    ASSERT_EQ(m_pUpload->GetFormData().size(), 10240u);
    std::vector<uint32_t> done;
    for (const Heard& h : m_listener.Events())
        if (h.kind == Heard::Progress) done.push_back(h.nFirst);
    // Form 10240, the empty end of the form (nothing written, same count), the file, the
    // trailer; a report may be merged into the next, never the last.
    const std::vector<uint32_t> all = {10240, 10240, 10250, 10266};
    ASSERT_FALSE(done.empty());
    EXPECT_EQ(done.back(), 10266u);
    size_t j = 0;
    for (uint32_t n : done) {
        while (j < all.size() && all[j] != n) ++j;
        EXPECT_LT(j, all.size()) << "unexpected report " << n;
        ++j;
    }
}

TEST_F(TransferTest, HttpUploadRetryReportsFromZeroAgainWithTheSameBody) {
    CScratchFile file("retry.bin", 30000);
    AddAlbumFields("retry.bin", file.Size());
    const std::string boundary = m_pUpload->GetBoundary();
    ASSERT_EQ(Upload(FaultUrl("/status/500"), file.Path()), TransferCode::Failed);
    EXPECT_EQ(CheckProgressReports(m_listener, BodyLength(file.Size())), 3u);
    EXPECT_EQ(m_listener.Count(Heard::Connecting), 4u);
    EXPECT_EQ(m_pUpload->GetBoundary(), boundary) << "all attempts send the same form";
}

TEST_F(TransferTest, HttpUploadEveryPictureGetsAFreshForm) {
    m_pUpload->AddField("a", "1");
    const std::string firstBoundary = m_pUpload->GetBoundary();
    m_pUpload->ResetForm();
    EXPECT_TRUE(m_pUpload->GetFormData().empty());
    EXPECT_EQ(m_pUpload->GetBoundary().size(), 6u);
    m_pUpload->AddField("a", "1");
    EXPECT_EQ(m_pUpload->GetFormData(),
              "--" + m_pUpload->GetBoundary() + "\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n");
    (void)firstBoundary;
}

TEST_F(TransferTest, HttpUploadAnswerGoesToEightRandomCharactersInTheTempFolder) {
    CScratchFile file("answer.bin", 10);
    ASSERT_EQ(Upload(FaultUrl("/ok"), file.Path()), TransferCode::Complete);
    const std::string path = AnswerPath();
    const std::string folder = TempFolder();
    ASSERT_EQ(path.compare(0, folder.size(), folder), 0) << path;
    const std::string name = path.substr(folder.size());
    ASSERT_EQ(name.size(), 8u) << name;
    for (char c : name) EXPECT_TRUE(isalnum(static_cast<unsigned char>(c))) << name;
    EXPECT_EQ(Answer(), "ok\n") << "the answer file is left for its reader";
}

TEST_F(TransferTest, HttpUploadJobsWriteOverOneAnswerFileUntilItIsDiscarded) {
    CScratchFile file("answers.bin", 10);
    ASSERT_EQ(Upload(FaultUrl("/long-body/20"), file.Path()), TransferCode::Complete);
    const std::string path = AnswerPath();
    EXPECT_EQ(Answer(), std::string(20, 'b'));
    ASSERT_EQ(Upload(FaultUrl("/ok"), file.Path()), TransferCode::Complete);
    EXPECT_EQ(AnswerPath(), path);
    EXPECT_EQ(Answer(), "ok\n") << "the longer answer before it is gone, not written over in part";

    m_pUpload->DiscardAnswerFile();
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
    ASSERT_EQ(Upload(FaultUrl("/ok"), file.Path()), TransferCode::Complete);
    EXPECT_EQ(Answer(), "ok\n") << "the next job makes a new file";
}

TEST_F(TransferTest, HttpUploadRejectedPictureCarriesTheServersReason) {
    // The album "Small" holds 64 KB.
    CScratchFile file("too-big.bin", 100 * 1024);
    AddAlbumFields("too-big.bin", file.Size(), "Small");
    ASSERT_EQ(Upload(AlbumUrl("/cgi-bin/upload"), file.Path()), TransferCode::Complete);
    uint32_t nRetCode = 0;
    std::string info;
    EXPECT_TRUE(m_pUpload->GetHeaderNumber("Album-RetCode", nRetCode));
    EXPECT_TRUE(m_pUpload->GetHeaderString("Error-Info", info, true));
    EXPECT_EQ(nRetCode, 999u);
    EXPECT_EQ(info, "相册空间不足");
}

TEST_F(TransferTest, HttpUploadBadSignatureIsRejected) {
    CScratchFile file("badsig.bin", 1000);
    m_pUpload->AddField("signature", "0123456789abcdef0123456789abcdef");
    m_pUpload->AddField("albumname", "Travel");
    m_pUpload->AddField("imgfile", "badsig.bin");
    m_pUpload->AddField("filesize", "0.98");
    m_pUpload->AddField("kxuin", "10001");
    ASSERT_EQ(Upload(AlbumUrl("/cgi-bin/upload"), file.Path()), TransferCode::Complete);
    uint32_t nRetCode = 0;
    std::string info;
    m_pUpload->GetHeaderNumber("Album-RetCode", nRetCode);
    m_pUpload->GetHeaderString("Error-Info", info, true);
    EXPECT_EQ(nRetCode, 999u);
    EXPECT_EQ(info, "签名错误");
}

TEST_F(TransferTest, HttpUploadBatchRestartsFromOnFinished) {
    // What the batch does: the next picture starts from inside OnFinished of the last one,
    // here to another server (the relay in front of the album), which it must reach.
    ClearFaultLog();
    CScratchFile first("chain-1.bin", 20000, 1);
    CScratchFile second("chain-2.bin", 30000, 2);
    int nFinished = 0;
    std::vector<std::string> answers;
    m_listener.m_onHeard = [&](const Heard& heard) {
        if (heard.kind != Heard::Finished) return;
        answers.push_back(heard.text);
        if (++nFinished != 1) return;
        m_pUpload->ResetForm();
        AddAlbumFields("chain-2.bin", second.Size());
        EXPECT_TRUE(m_pUpload->StartUpload("album", FaultUrl("/relay/cgi-bin/upload"), second.Path()));
    };
    AddAlbumFields("chain-1.bin", first.Size());
    ASSERT_TRUE(m_pUpload->StartUpload("album", AlbumUrl("/cgi-bin/upload"), first.Path()));
    ASSERT_TRUE(PumpUntil([&] { return nFinished == 2; }, 30000)) << m_listener.Describe();
    PumpUntil([] { return false; }, 50);
    EXPECT_EQ(m_listener.Count(Heard::Finished), 2u);
    EXPECT_TRUE(FilesEqual(first.Path(), AlbumFolder() + "chain-1.bin"));
    EXPECT_TRUE(FilesEqual(second.Path(), AlbumFolder() + "chain-2.bin"));
    const std::vector<FaultLogEntry> relayed = FaultLog();
    ASSERT_EQ(relayed.size(), 1u) << "the second picture went past the relay";
    EXPECT_EQ(relayed[0].path, "/relay/cgi-bin/upload");
    for (const std::string& path : answers) DeleteFileA(path.c_str());
}
