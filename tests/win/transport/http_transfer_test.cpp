#include <winsock2.h>

#include "transport/http_transfer.h"

#include <gtest/gtest.h>

#include "transfer_test_fixture.h"
#include "transport/notify_wnd.h"
#include "transport/transfer_rules.h"

struct FaultCase {
    const char* path;
    TransferCode code;
    size_t nPosts;      // requests the server saw
    size_t nRedirects;  // OnRedirect heard
    // Bytes of body the server read per request; 0 means the whole body.
    uint64_t nBodyBytesEach = 0;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.path; }

class HttpTransferFault : public TransferTest, public testing::WithParamInterface<FaultCase> {};

// Each mode of the fault server, uploaded with a file of two and a half chunks.
TEST_P(HttpTransferFault, EndsWithTheOutcomeOfItsRule) {
    const FaultCase& c = GetParam();
    CScratchFile file("fault.bin", 25000);
    m_pUpload->AddField("a", "1");
    const TransferCode code = Upload(FaultUrl(c.path), file.Path());
    EXPECT_EQ(code, c.code) << m_listener.Describe();
    ExpectWellFormedJob(m_listener, c.code);
    EXPECT_EQ(m_listener.Count(Heard::Redirect), c.nRedirects) << m_listener.Describe();

    const uint32_t nBody = BodyLength(file.Size());
    const auto log = FaultLog();
    EXPECT_EQ(log.size(), c.nPosts);
    for (const FaultLogEntry& entry : log) {
        EXPECT_EQ(entry.method, "POST");
        EXPECT_EQ(entry.nBodyBytes, c.nBodyBytesEach ? c.nBodyBytesEach : nBody) << entry.path;
    }
    // Every attempt that sent the whole body reported it up to its whole length. A reset
    // may come after the socket took the rest of the body: then that attempt sent it all.
    const size_t nWhole = CheckProgressReports(m_listener, nBody);
    if (c.nBodyBytesEach)
        EXPECT_LE(nWhole, c.nPosts) << m_listener.Describe();
    else
        EXPECT_EQ(nWhole, c.nPosts) << m_listener.Describe();
}

INSTANTIATE_TEST_SUITE_P(
    Modes, HttpTransferFault,
    testing::Values(
        FaultCase{"/ok", TransferCode::Complete, 1, 0},
        // Statuses that fail the attempt are tried three times.
        FaultCase{"/status/201", TransferCode::Failed, 3, 0}, FaultCase{"/status/206", TransferCode::Failed, 3, 0},
        FaultCase{"/status/400", TransferCode::Failed, 3, 0}, FaultCase{"/status/500", TransferCode::Failed, 3, 0},
        // Statuses that end the job at once.
        FaultCase{"/status/304", TransferCode::NotModified, 1, 0},
        FaultCase{"/status/404", TransferCode::NotFound, 1, 0},
        // A demand for credentials ends the job, with no dialog to wait for.
        FaultCase{"/status/401", TransferCode::AuthenticationRequired, 1, 0},
        FaultCase{"/status/407", TransferCode::AuthenticationRequired, 1, 0},
        // A busy server is given time, within the three attempts.
        FaultCase{"/status/503", TransferCode::Unavailable, 3, 0},
        FaultCase{"/status/429", TransferCode::Unavailable, 3, 0},
        // 416 gets one more attempt.
        FaultCase{"/status/416", TransferCode::Failed, 2, 0},
        // Redirects re-send the whole body to the new address, each with fresh attempts.
        FaultCase{"/redirect/301/2", TransferCode::Complete, 3, 2},
        FaultCase{"/redirect/302/3", TransferCode::Complete, 4, 3},
        // A 303 would turn the upload into a GET: not followed.
        FaultCase{"/redirect/303/1", TransferCode::RedirectRefused, 1, 0},
        FaultCase{"/redirect/307/2", TransferCode::Complete, 3, 2},
        FaultCase{"/redirect/308/1", TransferCode::Complete, 2, 1},
        FaultCase{"/redirect-path/302", TransferCode::Complete, 2, 1},
        FaultCase{"/redirect-relative/302", TransferCode::Complete, 2, 1},
        // Ten redirects are followed; the eleventh ends the job.
        FaultCase{"/redirect-loop/302", TransferCode::Failed, 11, 10},
        FaultCase{"/redirect-nolocation/302", TransferCode::Failed, 3, 0},
        // An address that cannot be followed ends the job at once: nothing is sent again.
        FaultCase{"/redirect-scheme/307/ftp", TransferCode::Failed, 1, 0},
        // Broken connections fail the attempt.
        FaultCase{"/reset-after/100", TransferCode::Failed, 3, 0, 100},
        FaultCase{"/reset-after/20000", TransferCode::Failed, 3, 0, 20000},
        FaultCase{"/close-before-headers", TransferCode::Failed, 3, 0},
        // WinINet shows a header block cut short as a 200 without headers or body: the job
        // completes, and carries no verdict (the batch counts the picture as failed).
        FaultCase{"/close-mid-headers", TransferCode::Complete, 1, 0},
        // Answers of unusual shape.
        FaultCase{"/slow/3", TransferCode::Complete, 1, 0}, FaultCase{"/big-header", TransferCode::Complete, 1, 0},
        FaultCase{"/chunked", TransferCode::Complete, 1, 0}, FaultCase{"/lie-shorter", TransferCode::Complete, 1, 0},
        // A 200 whose body ends early, by a close or a reset: the server has the picture, and
        // it is never sent again.
        FaultCase{"/lie-longer/500", TransferCode::Incomplete, 1, 0},
        FaultCase{"/lie-longer/500/reset", TransferCode::Incomplete, 1, 0}));

TEST_F(TransferTest, HttpTransferReadsTheVerdictHeaders) {
    CScratchFile file("verdict.bin", 100);
    ASSERT_EQ(Upload(FaultUrl("/ok"), file.Path()), TransferCode::Complete);
    uint32_t nRetCode = 0xdeadbeef;
    EXPECT_TRUE(m_pUpload->GetHeaderNumber("Album-RetCode", nRetCode));
    EXPECT_EQ(nRetCode, 100u);
    std::string info = "sentinel";
    EXPECT_TRUE(m_pUpload->GetHeaderString("Error-Info", info, true));
    EXPECT_EQ(info, "上传成功");
    EXPECT_EQ(Answer(), "ok\n");
    EXPECT_FALSE(m_pUpload->GetHeaderString("X-Nothing", info, true));
    EXPECT_EQ(info, "");
    // An empty name leaves the out-parameters alone.
    info = "kept";
    nRetCode = 0xdeadbeef;
    EXPECT_FALSE(m_pUpload->GetHeaderString("", info, true));
    EXPECT_FALSE(m_pUpload->GetHeaderNumber("", nRetCode));
    EXPECT_EQ(info, "kept");
    EXPECT_EQ(nRetCode, 0xdeadbeefu);
}

struct RetCodeCase {
    const char* path;
    bool bFound;
    uint32_t nValue;
};

void PrintTo(const RetCodeCase& c, std::ostream* os) { *os << c.path; }

class HttpTransferRetCode : public TransferTest, public testing::WithParamInterface<RetCodeCase> {};

TEST_P(HttpTransferRetCode, ReadsAsANumberOnlyWhenItIsOne) {
    const RetCodeCase& c = GetParam();
    CScratchFile file("retcode.bin", 10);
    ASSERT_EQ(Upload(FaultUrl(c.path), file.Path()), TransferCode::Complete);
    uint32_t nValue = 0xdeadbeef;
    EXPECT_EQ(m_pUpload->GetHeaderNumber("Album-RetCode", nValue), c.bFound) << m_pUpload->GetRawHeaders();
    EXPECT_EQ(nValue, c.nValue);
}

INSTANTIATE_TEST_SUITE_P(Values, HttpTransferRetCode,
                         testing::Values(RetCodeCase{"/retcode/999", true, 999},
                                         RetCodeCase{"/retcode/%20100%20", true, 100},
                                         RetCodeCase{"/retcode/%200", true, 0}, RetCodeCase{"/retcode/abc", false, 0},
                                         RetCodeCase{"/retcode/-1", false, 0},
                                         RetCodeCase{"/retcode/4294967295", false, 0},
                                         RetCodeCase{"/retcode-missing", false, 0}));

struct AnswerSizeCase {
    const char* path;
    TransferCode code;
};

void PrintTo(const AnswerSizeCase& c, std::ostream* os) { *os << c.path; }

class HttpTransferAnswerSize : public TransferTest, public testing::WithParamInterface<AnswerSizeCase> {};

// Up to 1 MiB of answer body is stored; past that, with or without a Content-Length, the job
// ends at once (one request, no retry) and the answer file holds no more than the cap.
TEST_P(HttpTransferAnswerSize, EndsTheJobPastTheCap) {
    const AnswerSizeCase& c = GetParam();
    CScratchFile file("answer-size.bin", 100);
    EXPECT_EQ(Upload(FaultUrl(c.path), file.Path()), c.code) << m_listener.Describe();
    ExpectWellFormedJob(m_listener, c.code);
    EXPECT_EQ(FaultLog().size(), 1u);
    const std::string answer = Answer();
    EXPECT_LE(answer.size(), kMaxAnswerBytes);
    if (c.code == TransferCode::Complete) {
        EXPECT_EQ(answer, std::string(kMaxAnswerBytes, 'b'));
    }
    // The verdict came with the headers and is still there to read.
    uint32_t nRetCode = 0;
    EXPECT_TRUE(m_pUpload->GetHeaderNumber("Album-RetCode", nRetCode));
    EXPECT_EQ(nRetCode, 100u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, HttpTransferAnswerSize,
                         testing::Values(AnswerSizeCase{"/no-length/1048576", TransferCode::Complete},
                                         AnswerSizeCase{"/no-length/1048577", TransferCode::Failed},
                                         AnswerSizeCase{"/no-length", TransferCode::Failed},
                                         AnswerSizeCase{"/long-body/1048576", TransferCode::Complete},
                                         AnswerSizeCase{"/long-body/1048577", TransferCode::Failed}));

TEST_F(TransferTest, HttpTransferSendsSpacesInTheAddressEncoded) {
    CScratchFile file("space.bin", 100);
    EXPECT_EQ(Upload(FaultUrl("/ok/up load.cgi?name=a b"), file.Path()), TransferCode::Complete)
        << m_listener.Describe();
    const auto log = FaultLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].path, "/ok/up%20load.cgi?name=a%20b");
    EXPECT_FALSE(m_pUpload->StartUpload("album", FaultUrl("/ok/a\tb"), file.Path())) << "a control byte is refused";
}

TEST_F(TransferTest, HttpTransferBodyPastItsLengthIsCutAtTheLength) {
    CScratchFile file("lie.bin", 10);
    ASSERT_EQ(Upload(FaultUrl("/lie-shorter"), file.Path()), TransferCode::Complete);
    EXPECT_EQ(Answer(), "01234");
    const Heard* pBegin = m_listener.Last(Heard::Begin);
    ASSERT_NE(pBegin, nullptr);
    EXPECT_EQ(pBegin->nSecond, 5u);
}

TEST_F(TransferTest, HttpTransferChunkedAnswerHasNoLengthAndIsCompleteAtItsEnd) {
    CScratchFile file("chunked.bin", 10);
    ASSERT_EQ(Upload(FaultUrl("/chunked"), file.Path()), TransferCode::Complete);
    EXPECT_EQ(Answer(), "ok\n");
    const Heard* pBegin = m_listener.Last(Heard::Begin);
    ASSERT_NE(pBegin, nullptr);
    EXPECT_EQ(pBegin->nSecond, 0xFFFFFFFFu);
}

TEST_F(TransferTest, HttpTransferBigHeaderStillGivesTheVerdict) {
    CScratchFile file("big.bin", 10);
    ASSERT_EQ(Upload(FaultUrl("/big-header"), file.Path()), TransferCode::Complete);
    // WinINet here keeps the first 4 KiB of the long line; the headers after it are whole.
    EXPECT_NE(m_pUpload->GetRawHeaders().find("X-Padding: ppp"), std::string::npos);
    uint32_t nRetCode = 0;
    EXPECT_TRUE(m_pUpload->GetHeaderNumber("Album-RetCode", nRetCode));
    EXPECT_EQ(nRetCode, 100u);
}

TEST_F(TransferTest, HttpTransferSilentServerTimesOutThreeTimes) {
    m_pUpload->SetTimeouts(2000, 2000, 1000);
    CScratchFile file("stall.bin", 10);
    const DWORD dwStart = GetTickCount();
    EXPECT_EQ(Upload(FaultUrl("/stall"), file.Path(), 30000), TransferCode::Failed);
    EXPECT_GE(GetTickCount() - dwStart, 2500u) << "three attempts, each waiting for the receive timeout";
    ExpectWellFormedJob(m_listener, TransferCode::Failed);
    EXPECT_EQ(FaultLog().size(), 3u);
}

TEST_F(TransferTest, HttpTransferUnknownHostIsHostNotFound) {
    CScratchFile file("host.bin", 10);
    EXPECT_EQ(Upload("http://no-such-host.invalid/upload", file.Path(), 60000), TransferCode::HostNotFound)
        << m_listener.Describe();
    ExpectWellFormedJob(m_listener, TransferCode::HostNotFound);
    EXPECT_EQ(m_listener.Count(Heard::Connecting), 4u) << "three attempts and the pass that finds them used up";
}

TEST_F(TransferTest, HttpTransferRefusedConnectionFails) {
    // A port that was free a moment ago: nothing listens there.
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    int nLen = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &nLen);
    const int nPort = ntohs(addr.sin_port);
    closesocket(s);
    WSACleanup();

    CScratchFile file("refused.bin", 10);
    EXPECT_EQ(Upload("http://127.0.0.1:" + std::to_string(nPort) + "/upload", file.Path()), TransferCode::Failed);
    ExpectWellFormedJob(m_listener, TransferCode::Failed);
    EXPECT_EQ(m_listener.Count(Heard::Progress), 0u);
}

TEST_F(TransferTest, HttpTransferMissingFileIsNeverSent) {
    // The job says why: the picture could not be read, not that the server failed.
    EXPECT_EQ(Upload(FaultUrl("/ok"), TempFolder() + "no-such-picture.jpg"), TransferCode::LocalFileError);
    ExpectWellFormedJob(m_listener, TransferCode::LocalFileError);
    EXPECT_EQ(m_listener.Count(Heard::Connecting), 4u);
    EXPECT_TRUE(FaultLog().empty());
}

TEST_F(TransferTest, HttpTransferRefusesWhatItCannotStart) {
    CScratchFile file("refuse.bin", 10);
    EXPECT_FALSE(m_pUpload->StartUpload("album", "", file.Path()));
    EXPECT_FALSE(m_pUpload->StartUpload("album", FaultUrl("/ok"), ""));
    EXPECT_FALSE(m_pUpload->StartUpload("album", "ftp://127.0.0.1/upload", file.Path()));
    EXPECT_FALSE(m_pUpload->StartUpload("album", "not a url", file.Path()));
    EXPECT_EQ(m_pUpload->GetStartRefusal(), StartRefusal::BadAddress);
    CHttpTransfer transfer;
    transfer.SetListener(&m_listener);
    EXPECT_FALSE(transfer.Start(FaultUrl("/ok"), "  \t "));
    EXPECT_FALSE(transfer.IsRunning());
    EXPECT_EQ(CNotifyWnd::LiveWindowCount(), 0u) << "a refused start leaves nothing attached";
    PumpUntil([] { return false; }, 50);
    EXPECT_TRUE(m_listener.Events().empty());
}

TEST_F(TransferTest, HttpTransferGetStoresTheAnswerAndReportsItsProgress) {
    CHttpTransfer transfer;
    transfer.SetListener(&m_listener);
    const CScratchFolder folder;
    const std::string path = folder.File("get-answer.txt");
    ASSERT_TRUE(transfer.Start(FaultUrl("/chunked"), path));
    ASSERT_TRUE(PumpUntil([&] { return m_listener.IsFinished(); }, 20000));
    ExpectWellFormedJob(m_listener, TransferCode::Complete);
    std::string answer;
    ASSERT_TRUE(ReadWholeFile(path, answer));
    EXPECT_EQ(answer, "ok\n");
    const Heard* pProgress = m_listener.Last(Heard::Progress);
    ASSERT_NE(pProgress, nullptr);
    EXPECT_EQ(pProgress->nFirst, 3u);
    EXPECT_EQ(pProgress->nSecond, 0xFFFFFFFFu);
    const auto log = FaultLog();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].method, "GET");
    transfer.Stop();
}

TEST_F(TransferTest, HttpTransferGetOfAnAnswerCutShortIsTriedAgain) {
    // Unlike a POST, a GET stores nothing on the server: the whole answer is worth asking for.
    CHttpTransfer transfer;
    transfer.SetListener(&m_listener);
    const CScratchFolder folder;
    ASSERT_TRUE(transfer.Start(FaultUrl("/lie-longer/500/reset"), folder.File("cut.txt")));
    ASSERT_TRUE(PumpUntil([&] { return m_listener.IsFinished(); }, 20000));
    EXPECT_EQ(FaultLog().size(), 3u);
    EXPECT_NE(transfer.GetCode(), TransferCode::Complete);
    transfer.Stop();
}

TEST_F(TransferTest, HttpTransferAnswerFileThatCannotBeMadeIsAnswerFileError) {
    CHttpTransfer transfer;
    transfer.SetListener(&m_listener);
    ASSERT_TRUE(transfer.Start(FaultUrl("/ok"), TempFolder() + "no-such-folder\\answer"));
    ASSERT_TRUE(PumpUntil([&] { return m_listener.IsFinished(); }, 20000));
    ExpectWellFormedJob(m_listener, TransferCode::AnswerFileError);
    EXPECT_TRUE(FaultLog().empty()) << "the file is opened before anything is sent";
    transfer.Stop();
}

TEST_F(TransferTest, HttpTransferReadOnlyTemporaryFolderSendsNothingAndSaysSo) {
    CScratchFile file("readonly.bin", 100);
    const CReadOnlyTempFolder readOnly;
    ASSERT_TRUE(readOnly.RefusesFiles()) << "no folder that refuses files (see run-with-servers.sh)";
    // Not the picture's fault: it is there and readable.
    EXPECT_EQ(Upload(FaultUrl("/ok"), file.Path()), TransferCode::AnswerFileError) << m_listener.Describe();
    ExpectWellFormedJob(m_listener, TransferCode::AnswerFileError);
    EXPECT_TRUE(FaultLog().empty());
}

TEST_F(TransferTest, HttpTransferCarriesNoCookiesEitherWay) {
    // A cookie of the browser's for the endpoint's address: a request that carried it would
    // get a 500 from /cookie-check, three times over.
    const std::string site = FaultUrl("/");
    ASSERT_TRUE(InternetSetCookieA(site.c_str(), "browser", "session"));
    CScratchFile file("cookie.bin", 100);
    EXPECT_EQ(Upload(FaultUrl("/cookie-check"), file.Path()), TransferCode::Complete) << m_listener.Describe();
    EXPECT_EQ(FaultLog().size(), 1u);
    // The endpoint's Set-Cookie did not enter the jar.
    char szCookies[1024] = {};
    DWORD dwSize = sizeof szCookies;
    ASSERT_TRUE(InternetGetCookieA(site.c_str(), nullptr, szCookies, &dwSize));
    EXPECT_STREQ(szCookies, "browser=session");
    InternetSetCookieA(site.c_str(), "browser", "gone; expires=Thu, 01-Jan-1970 00:00:00 GMT");
}
