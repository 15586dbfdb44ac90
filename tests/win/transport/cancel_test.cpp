#include "transport/http_upload.h"

#include <gtest/gtest.h>

#include <random>

#include "transfer_test_fixture.h"

namespace {

enum class Phase { Connect, Send, Answer };

const char* PhaseName(Phase phase) {
    switch (phase) {
    case Phase::Connect: return "connect";
    case Phase::Send: return "send";
    case Phase::Answer: return "answer";
    }
    return "?";
}

void SpinMicroseconds(uint32_t nMicroseconds) {
    LARGE_INTEGER frequency, start, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    do {
        QueryPerformanceCounter(&now);
    } while ((now.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart < nMicroseconds);
}

size_t CountFilesStartingWith(const std::string& folder, const std::string& prefix) {
    WIN32_FIND_DATAA data;
    CScopedFind hFind(FindFirstFileA((folder + prefix + "*").c_str(), &data));
    if (!hFind) return 0;
    size_t n = 0;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..") ++n;
    } while (FindNextFileA(hFind.Get(), &data));
    return n;
}

}  // namespace

// Cancels at 100 points drawn from a fixed seed: while connecting (right after the start),
// while sending (at a progress report), and while the answer trickles in. After each cancel
// the listener hears nothing more, the worker is gone, and the album server keeps nothing.
TEST_F(TransferTest, CancelAtSeededRandomPointsLeavesNothingBehind) {
    std::mt19937 random(20261208);
    // Large enough that the second half of the body takes tens of milliseconds on loopback,
    // far more than a cancel takes to follow the report that asks for it.
    CScratchFile file("cancel.bin", 24u << 20, 7);
    const std::string dataFolder = AlbumDataFolder() + "\\10001\\54726176656c\\";
    const long nStoredBefore = AlbumStats()["stored"];
    const uint32_t nChunks = static_cast<uint32_t>(file.Size() / 10240);
    int nLanded[3] = {0, 0, 0};

    for (int i = 0; i < 100; ++i) {
        const auto phase = static_cast<Phase>(random() % 3);
        const uint32_t nConnectDelayUs = random() % 1500;
        const uint32_t nCancelAtBytes = (1 + random() % (nChunks / 2)) * 10240;
        const uint32_t nAnswerDelayMs = random() % 400;
        SCOPED_TRACE(testing::Message() << "cancel " << i << " during " << PhaseName(phase));

        m_listener.Clear();
        m_pUpload->ResetForm();
        const std::string name = "cancel-" + std::to_string(i) + ".bin";
        AddAlbumFields(name, file.Size());
        bool bCancel = false;
        m_listener.m_onHeard = [&](const Heard& heard) {
            if (phase == Phase::Send && heard.kind == Heard::Progress && heard.nFirst >= nCancelAtBytes) bCancel = true;
        };
        // The answer phase needs an answer that takes its time: one byte every 20 ms, about
        // two seconds for the status line and headers, far more than the cancel waits.
        const std::string url = phase == Phase::Answer ? FaultUrl("/slow/20") : AlbumUrl("/cgi-bin/upload");
        ASSERT_TRUE(m_pUpload->StartUpload("album", url, file.Path()));
        const DWORD dwWorker = m_pUpload->WorkerThreadId();

        if (phase == Phase::Connect) {
            SpinMicroseconds(nConnectDelayUs);
        } else if (phase == Phase::Send) {
            ASSERT_TRUE(PumpUntil([&] { return bCancel || m_listener.IsFinished(); }, 30000, 1));
        } else {
            // The whole body is sent once the last report (done = total) comes.
            ASSERT_TRUE(PumpUntil(
                [&] {
                    const Heard* p = m_listener.Last(Heard::Progress);
                    return (p && p->nFirst == p->nSecond) || m_listener.IsFinished();
                },
                30000));
            Sleep(nAnswerDelayMs);
        }
        const bool bFinishedBefore = m_listener.IsFinished();
        const DWORD dwStart = GetTickCount();
        m_pUpload->Cancel();
        const DWORD dwStopMs = GetTickCount() - dwStart;
        m_listener.MarkSilence();

        EXPECT_FALSE(bFinishedBefore) << "the job ended before the cancel point";
        if (!bFinishedBefore) ++nLanded[static_cast<int>(phase)];
        EXPECT_LT(dwStopMs, 5000u);
        EXPECT_FALSE(ThreadExists(dwWorker)) << "the worker outlived the cancel";
        PumpUntil([] { return false; }, 30);
        EXPECT_EQ(m_listener.HeardAfterSilence(), 0u) << m_listener.Describe();
        EXPECT_EQ(m_listener.Count(Heard::Finished), 0u);
    }
    std::printf("[ cancels  ] connect %d, send %d, answer %d\n", nLanded[0], nLanded[1], nLanded[2]);
    EXPECT_TRUE(WaitForTransportIdle(5000)) << TransportStateText();

    // The album server drops cut-off uploads and keeps none of them.
    EXPECT_EQ(AlbumStats()["stored"], nStoredBefore);
    EXPECT_EQ(CountFilesStartingWith(dataFolder, "cancel-"), 0u);
    EXPECT_TRUE(PumpUntil([&] { return CountFilesStartingWith(AlbumDataFolder() + "\\.incoming\\", "") == 0; }, 10000))
        << "half-received uploads left in .incoming";
}

// A server that stops reading holds WinINet's write on the worker, out of reach of the stop
// event. The cancel lets the worker go at once, not terminated: the upload object can be
// destroyed at once, and the worker ends by itself once the server lets go, leaving nothing
// held (a worker terminated inside the write would keep WinINet's request and its socket).
TEST_F(TransferTest, CancelWhileTheServerStopsReadingLetsTheWorkerGo) {
    // Far more than the socket buffers take, so that a write blocks.
    CScratchFile file("stop-reading.bin", 16u << 20, 3);
    // No send timeout within the test: only the server's reset may end the write.
    m_pUpload->SetTimeouts(5000, 120000, 5000);
    m_pUpload->AddField("a", "1");
    // The server resets the connection 10 s after it stopped reading: after the cancel.
    ASSERT_TRUE(m_pUpload->StartUpload("album", FaultUrl("/stop-reading/100000/10000"), file.Path()));
    const DWORD dwWorker = m_pUpload->WorkerThreadId();
    ASSERT_TRUE(PumpUntil([] { return !FaultLog().empty(); }, 20000)) << "the server never stopped reading";
    // Until the progress reports stop coming: the worker is in a write that blocks.
    size_t nHeard = SIZE_MAX;
    while (nHeard != m_listener.Events().size()) {
        nHeard = m_listener.Events().size();
        PumpUntil([] { return false; }, 500);
    }
    ASSERT_FALSE(m_listener.IsFinished()) << m_listener.Describe();

    const DWORD dwStart = GetTickCount();
    m_pUpload->Cancel();
    const DWORD dwStopMs = GetTickCount() - dwStart;
    m_listener.MarkSilence();
    EXPECT_LT(dwStopMs, 500u) << "the user's cancel waited for the blocked write";
    // Gone while its worker still writes from the request's buffer.
    m_pUpload = std::make_unique<CHttpUpload>();
    m_pUpload->SetListener(&m_listener);
    EXPECT_TRUE(ThreadExists(dwWorker)) << "let go, not terminated";

    EXPECT_TRUE(PumpUntil([&] { return !ThreadExists(dwWorker); }, 20000)) << "the worker did not end by itself";
    EXPECT_TRUE(WaitForTransportIdle(5000)) << TransportStateText();
    EXPECT_EQ(m_listener.HeardAfterSilence(), 0u) << m_listener.Describe();
    // Nothing is left locked: the next job runs.
    CScratchFile small("after-stop-reading.bin", 100);
    EXPECT_EQ(Upload(FaultUrl("/ok"), small.Path()), TransferCode::Complete);
}
