#include "transport/http_upload.h"

#include <gtest/gtest.h>

#include "transfer_test_fixture.h"

namespace {

std::string SecureFront(const char* pszName, const std::string& path) {
    return LocalhostUrl("https", FrontPort(pszName), path);
}
std::string PlainFault(const std::string& path) { return LocalhostUrl("http", FaultPort(), path); }
// A fault-server path that redirects to `target` with `nStatus`.
std::string RedirectTo(uint32_t nStatus, const std::string& target) {
    return "/redirect-to/" + std::to_string(nStatus) + "/" + PercentEncoded(target);
}

struct HttpsCase {
    const char* name;
    std::string (*url)();
    TransferCode code;
    size_t nRequests;  // requests the fault server saw
};

void PrintTo(const HttpsCase& c, std::ostream* os) { *os << c.name; }

class HttpsTransfer : public TransferTest, public testing::WithParamInterface<HttpsCase> {};

// Each peer and redirect, with a file of two and a half chunks. A certificate the system does
// not accept ends the job at once with its own code and before a byte of the body is sent.
TEST_P(HttpsTransfer, EndsWithTheOutcomeOfItsPeer) {
    const HttpsCase& c = GetParam();
    CScratchFile file("https.bin", 25000);
    m_pUpload->AddField("a", "1");
    const std::string url = c.url();
    EXPECT_EQ(Upload(url, file.Path()), c.code) << url << "\n" << m_listener.Describe();
    ExpectWellFormedJob(m_listener, c.code);
    const auto log = FaultLog();
    EXPECT_EQ(log.size(), c.nRequests) << url;
    for (const FaultLogEntry& entry : log) EXPECT_EQ(entry.nBodyBytes, BodyLength(file.Size())) << entry.path;
    if (c.nRequests == 0) {
        EXPECT_EQ(m_listener.Count(Heard::Progress), 0u) << m_listener.Describe();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Peers, HttpsTransfer,
    testing::Values(
        HttpsCase{"trusted", [] { return SecureFront("TRUSTED", "/ok"); }, TransferCode::Complete, 1},
        HttpsCase{"unknown_ca", [] { return SecureFront("UNKNOWN_CA", "/ok"); }, TransferCode::CertificateUntrusted, 0},
        HttpsCase{"wrong_name", [] { return SecureFront("WRONG_NAME", "/ok"); }, TransferCode::CertificateWrongHost, 0},
        HttpsCase{"expired", [] { return SecureFront("EXPIRED", "/ok"); }, TransferCode::CertificateExpired, 0},
        HttpsCase{"garbage", [] { return SecureFront("GARBAGE", "/ok"); }, TransferCode::SecureConnectionFailed, 0},
        // Down from https to http: the form would cross in the clear.
        HttpsCase{"to_http", [] { return SecureFront("TRUSTED", RedirectTo(302, PlainFault("/ok"))); },
                  TransferCode::InsecureRedirect, 1},
        // Another port of the same host is another server.
        HttpsCase{"to_other_port",
                  [] { return SecureFront("TRUSTED", RedirectTo(307, LocalhostUrl("https", AlbumPort(), "/ok"))); },
                  TransferCode::RedirectRefused, 1},
        // Up from http to https on the same host: followed, the body sent again over TLS.
        HttpsCase{"up_to_https", [] { return PlainFault(RedirectTo(302, SecureFront("TRUSTED", "/ok"))); },
                  TransferCode::Complete, 2},
        // The same server under another name is another host.
        HttpsCase{"to_other_host", [] { return PlainFault(RedirectTo(302, FaultUrl("/ok"))); },
                  TransferCode::RedirectRefused, 1}),
    [](const testing::TestParamInfo<HttpsCase>& info) { return std::string(info.param.name); });

}  // namespace

TEST_F(TransferTest, HttpsUploadReachesTheAlbum) {
    const std::string name = "secure.bin";
    CScratchFile file(name, 100000, 7);
    AddAlbumFields(name, file.Size());
    ASSERT_EQ(Upload(LocalhostUrl("https", AlbumPort(), "/cgi-bin/upload"), file.Path()), TransferCode::Complete)
        << m_listener.Describe();
    uint32_t nRetCode = 0;
    EXPECT_TRUE(m_pUpload->GetHeaderNumber("Album-RetCode", nRetCode)) << m_pUpload->GetRawHeaders();
    EXPECT_EQ(nRetCode, 100u);
    const std::string stored = AlbumDataFolder() + "\\10001\\54726176656c\\" + name;
    EXPECT_TRUE(FilesEqual(file.Path(), stored)) << stored;
    DeleteFileA(stored.c_str());
}

TEST_F(TransferTest, HttpsPeerStallingInTheHandshakeIsLeftAtOnce) {
    CScratchFile file("stall.bin", 100);
    ASSERT_TRUE(m_pUpload->StartUpload("album", SecureFront("STALL", "/ok"), file.Path()));
    const DWORD dwWorker = m_pUpload->WorkerThreadId();
    ASSERT_TRUE(PumpUntil([&] { return m_listener.Count(Heard::Connecting) > 0; }, 5000));
    // Well inside the handshake: the peer has taken the connection and says nothing.
    PumpUntil([] { return false; }, 500);
    const DWORD dwStart = GetTickCount();
    m_pUpload->Cancel();
    m_listener.MarkSilence();
    EXPECT_LT(GetTickCount() - dwStart, 1000u) << "the worker was waited out instead of stopped";
    EXPECT_FALSE(ThreadExists(dwWorker));
    // WinINet's own thread stays in the handshake until the peer hangs up (after 3 s); then
    // it lets go of the request it was given.
    EXPECT_TRUE(WaitForTransportIdle(15000)) << TransportStateText();
    EXPECT_EQ(m_listener.HeardAfterSilence(), 0u) << m_listener.Describe();
}
