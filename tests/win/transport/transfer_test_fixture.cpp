#include "transfer_test_fixture.h"

#include <cstdio>

namespace {

// Handles and threads the process has once WinINet is loaded and idle; compared again when
// every test of the program has run.
class CLeakEnvironment : public testing::Environment {
public:
    void SetUp() override {
        {
            // WinINet, Winsock and the thread pool make their lasting objects on first use;
            // over https, so do the certificate stores.
            CScratchFile file("warm-up.bin", 20000);
            WarmUp(FaultUrl("/ok"), file.Path());
            if (FrontPort("TRUSTED")) WarmUp(LocalhostUrl("https", FrontPort("TRUSTED"), "/ok"), file.Path());
            // So do the tests' own helpers: sockets, the crypto provider.
            ClearFaultLog();
            AlbumStats();
            Sha256Hex(file.Path());
        }
        WaitForTransportIdle(5000);
        m_baseline = Settle();
        m_strBaselineHandles = DescribeOwnHandles();
        std::printf("[ baseline ] %lu handles, %lu threads\n", m_baseline.nHandles, m_baseline.nThreads);
    }
    void TearDown() override {
        EXPECT_TRUE(WaitForTransportIdle(5000)) << TransportStateText();
        // The thread pool lets idle threads go after a few seconds; WinINet keeps a connection
        // the server left open in its pool for a while longer.
        const ResourceCounts now = WaitForResourcesAtMost(m_baseline, 90000);
        std::printf("[ at end   ] %lu handles, %lu threads\n", now.nHandles, now.nThreads);
        EXPECT_LE(now.nHandles, m_baseline.nHandles)
            << "handles leaked: " << DescribeOwnHandles() << "\nat the start: " << m_strBaselineHandles;
        EXPECT_LE(now.nThreads, m_baseline.nThreads) << "threads leaked";
    }

private:
    static void WarmUp(const std::string& url, const std::string& path) {
        CRecordingListener listener;
        CHttpUpload upload;
        upload.SetListener(&listener);
        upload.ResetForm();
        upload.AddField("a", "1");
        if (upload.StartUpload("album", url, path)) PumpUntil([&] { return listener.IsFinished(); }, 20000);
        if (const Heard* p = listener.Last(Heard::Finished)) DeleteFileA(p->text.c_str());
    }
    // Waits until the counts stop falling.
    static ResourceCounts Settle() {
        ResourceCounts last = CurrentResourceCounts();
        for (int nStable = 0, nRound = 0; nStable < 10 && nRound < 200; ++nRound) {
            Sleep(100);
            const ResourceCounts now = CurrentResourceCounts();
            nStable = (now.nHandles == last.nHandles && now.nThreads == last.nThreads) ? nStable + 1 : 0;
            last = now;
        }
        return last;
    }
    ResourceCounts m_baseline;
    std::string m_strBaselineHandles;
};

testing::Environment* const s_pLeakEnvironment = testing::AddGlobalTestEnvironment(new CLeakEnvironment);

}  // namespace

void ExpectWellFormedJob(const CRecordingListener& listener, TransferCode code) {
    const auto& e = listener.Events();
    ASSERT_FALSE(e.empty());
    EXPECT_EQ(e.front().kind, Heard::Connecting) << listener.Describe();
    ASSERT_EQ(listener.Count(Heard::Finished), 1u) << listener.Describe();
    ASSERT_EQ(e.back().kind, Heard::Finished) << listener.Describe();
    EXPECT_EQ(e.back().nFirst, static_cast<uint32_t>(code)) << listener.Describe();
    EXPECT_FALSE(e.back().text.empty());
    const bool bFailed = code != TransferCode::Complete && code != TransferCode::NotModified;
    EXPECT_EQ(listener.Count(Heard::Error), bFailed ? 1u : 0u) << listener.Describe();
    if (bFailed && e.size() >= 2) {
        EXPECT_EQ(e[e.size() - 2].kind, Heard::Error);
        EXPECT_EQ(e[e.size() - 2].nFirst, static_cast<uint32_t>(code));
    }
}

size_t CheckProgressReports(const CRecordingListener& listener, uint32_t nTotal) {
    size_t nWhole = 0;
    uint32_t nLast = 0;
    for (const Heard& h : listener.Events()) {
        if (h.kind == Heard::Connecting) nLast = 0;
        if (h.kind != Heard::Progress) continue;
        EXPECT_EQ(h.nSecond, nTotal);
        EXPECT_GE(h.nFirst, nLast) << "progress went back within an attempt";
        EXPECT_LE(h.nFirst, nTotal);
        nLast = h.nFirst;
        if (h.nFirst == nTotal) ++nWhole;
    }
    return nWhole;
}

TransferTest::TransferTest() : m_pUpload(std::make_unique<CHttpUpload>()) {}

void TransferTest::SetUp() {
    ClearFaultLog();
    m_pUpload->SetListener(&m_listener);
    m_pUpload->SetTimeouts(5000, 5000, 5000);
    m_pUpload->ResetForm();
}

void TransferTest::TearDown() {
    const DWORD dwWorker = m_pUpload->WorkerThreadId();
    m_pUpload->Stop();
    if (dwWorker) {
        EXPECT_FALSE(ThreadExists(dwWorker)) << "the worker outlived Stop";
    }
    if (const Heard* p = m_listener.Last(Heard::Finished)) DeleteFileA(p->text.c_str());
    m_pUpload.reset();
    EXPECT_TRUE(WaitForTransportIdle(5000)) << TransportStateText();
}

TransferCode TransferTest::Upload(const std::string& url, const std::string& filePath, DWORD dwTimeoutMs) {
    m_listener.Clear();
    if (!m_pUpload->StartUpload("album", url, filePath)) {
        ADD_FAILURE() << "StartUpload refused " << url;
        return TransferCode::Failed;
    }
    if (!PumpUntil([&] { return m_listener.IsFinished(); }, dwTimeoutMs)) {
        ADD_FAILURE() << "no OnFinished within " << dwTimeoutMs << " ms: " << m_listener.Describe();
        return TransferCode::Failed;
    }
    // Nothing may follow OnFinished.
    PumpUntil([] { return false; }, 20);
    return static_cast<TransferCode>(m_listener.Last(Heard::Finished)->nFirst);
}

void TransferTest::AddAlbumFields(const std::string& name, uint64_t nFileSize, const std::string& album) {
    char szKb[32];
    std::snprintf(szKb, sizeof szKb, "%.2f", static_cast<double>(nFileSize) / 1024.0);
    m_pUpload->AddField("signature", AlbumSignature(album));
    m_pUpload->AddField("albumname", album);
    m_pUpload->AddField("imgfile", name);
    m_pUpload->AddField("filesize", szKb);
    m_pUpload->AddField("kxuin", "10001");
}

uint32_t TransferTest::BodyLength(uint64_t nFileSize) const {
    return static_cast<uint32_t>(m_pUpload->GetFormData().size() + nFileSize + 16);
}

std::string TransferTest::AnswerPath() const {
    const Heard* p = m_listener.Last(Heard::Finished);
    return p ? p->text : "";
}

std::string TransferTest::Answer() const {
    std::string text;
    ReadWholeFile(AnswerPath(), text);
    return text;
}
