// A busy server (503, 429) and a broken connection are tried again after a wait, within the
// job's three attempts: the server's Retry-After when it gives one, else a back-off. The wait
// is announced to the listener and ends at once when the job is stopped.
#include <winsock2.h>

#include <gtest/gtest.h>

#include <ctime>

#include "transfer_test_fixture.h"

namespace {

using Delays = std::vector<uint32_t>;

// An HTTP date nSeconds from now, in the form servers send.
std::string HttpDateFromNow(int nSeconds) {
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const time_t when = std::time(nullptr) + nSeconds;
    const std::tm* t = std::gmtime(&when);
    char sz[64];
    std::snprintf(sz, sizeof sz, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[t->tm_wday], t->tm_mday,
                  kMonths[t->tm_mon], t->tm_year + 1900, t->tm_hour, t->tm_min, t->tm_sec);
    return sz;
}

class RetryWaitTest : public TransferTest {
protected:
    // The next upload of `name` through the relay is answered with `plan` instead of the album.
    static void FaultNextUpload(const std::string& name, const std::string& plan) {
        ASSERT_EQ(RawHttpGet(FaultPort(), "/_fault-name/" + name + "/1" + plan), "ok\n");
    }
    // Uploads a picture named `name` through the relay to the album; the milliseconds it took.
    DWORD UploadThroughRelay(const std::string& name, const CScratchFile& file, TransferCode& code) {
        AddAlbumFields(name, file.Size());
        const DWORD dwStart = GetTickCount();
        code = Upload(FaultUrl("/relay/cgi-bin/upload"), file.Path());
        return GetTickCount() - dwStart;
    }
    void ExpectStoredOnce(const std::string& name, const CScratchFile& file, long nStoredBefore) {
        uint32_t nRetCode = 0;
        EXPECT_TRUE(m_pUpload->GetHeaderNumber("Album-RetCode", nRetCode));
        EXPECT_EQ(nRetCode, 100u);
        EXPECT_TRUE(FilesEqual(file.Path(), AlbumFolder() + name));
        EXPECT_EQ(AlbumStats()["stored"], nStoredBefore + 1) << "stored once";
        DeleteFileA((AlbumFolder() + name).c_str());
    }
};

TEST_F(RetryWaitTest, BusyWithRetryAfterSecondsIsStoredAfterTheWait) {
    CScratchFile file("busy-seconds.bin", 30000);
    FaultNextUpload("busy-seconds.bin", "/busy/503/2");
    const long nStored = AlbumStats()["stored"];
    TransferCode code{};
    const DWORD dwMs = UploadThroughRelay("busy-seconds.bin", file, code);
    ASSERT_EQ(code, TransferCode::Complete) << m_listener.Describe();
    ExpectWellFormedJob(m_listener, TransferCode::Complete);
    EXPECT_EQ(m_listener.RetryDelays(), (Delays{2000}));
    EXPECT_EQ(m_listener.Last(Heard::RetryWait)->nSecond, static_cast<uint32_t>(RetryWait::Busy));
    EXPECT_GE(dwMs, 2000u);
    EXPECT_EQ(FaultLog().size(), 2u);
    ExpectStoredOnce("busy-seconds.bin", file, nStored);
}

TEST_F(RetryWaitTest, TooManyRequestsWithAnHttpDateWaitsUntilThen) {
    CScratchFile file("busy-date.bin", 30000);
    FaultNextUpload("busy-date.bin", "/busy/429/" + PercentEncoded(HttpDateFromNow(3)));
    const long nStored = AlbumStats()["stored"];
    TransferCode code{};
    const DWORD dwMs = UploadThroughRelay("busy-date.bin", file, code);
    ASSERT_EQ(code, TransferCode::Complete) << m_listener.Describe();
    // The date has whole seconds: three from now is two and a bit to three.
    const Delays delays = m_listener.RetryDelays();
    ASSERT_EQ(delays.size(), 1u) << m_listener.Describe();
    EXPECT_GE(delays[0], 2000u);
    EXPECT_LE(delays[0], 3000u);
    EXPECT_GE(dwMs, delays[0]);
    ExpectStoredOnce("busy-date.bin", file, nStored);
}

// Values that ask for no usable wait get the back-off; one past the cap gets the cap, and a
// stop during any wait ends the job at once, silently.
TEST_F(RetryWaitTest, RetryAfterIsCappedOrIgnoredAndAStopEndsTheWaitAtOnce) {
    struct Case {
        const char* retryAfter;
        uint32_t nDelayMs;
    };
    CScratchFile file("busy-cap.bin", 20000);
    for (const Case& c : {Case{"86400", 60000}, Case{"-5", 2000}, Case{"soon", 2000},
                          Case{"Thu%2C%2001%20Jan%201970%2000%3A00%3A00%20GMT", 2000}}) {
        SCOPED_TRACE(c.retryAfter);
        ClearFaultLog();
        m_listener.Clear();
        m_pUpload->ResetForm();
        m_pUpload->AddField("a", "1");
        ASSERT_TRUE(m_pUpload->StartUpload("album", FaultUrl(std::string("/busy/503/") + c.retryAfter), file.Path()));
        ASSERT_TRUE(PumpUntil([&] { return m_listener.Count(Heard::RetryWait) == 1; }, 10000)) << m_listener.Describe();
        EXPECT_EQ(m_listener.RetryDelays(), (Delays{c.nDelayMs}));
        m_listener.MarkSilence();
        const DWORD dwStart = GetTickCount();
        m_pUpload->Cancel();
        EXPECT_LT(GetTickCount() - dwStart, 500u) << "the wait ends at once";
        PumpFor(100);
        EXPECT_EQ(m_listener.HeardAfterSilence(), 0u) << m_listener.Describe();
        EXPECT_EQ(FaultLog().size(), 1u);
    }
}

TEST_F(RetryWaitTest, BusyForeverFailsAfterThreeAttemptsAsUnavailable) {
    CScratchFile file("busy-forever.bin", 20000);
    m_pUpload->AddField("a", "1");
    ASSERT_EQ(Upload(FaultUrl("/busy/503"), file.Path()), TransferCode::Unavailable) << m_listener.Describe();
    ExpectWellFormedJob(m_listener, TransferCode::Unavailable);
    EXPECT_EQ(m_listener.RetryDelays(), (Delays{2000, 4000})) << "no wait after the last attempt";
    EXPECT_EQ(FaultLog().size(), 3u);
}

TEST_F(RetryWaitTest, BrokenConnectionIsTriedAgainAfterOneThenTwoSeconds) {
    CScratchFile file("broken.bin", 20000);
    m_pUpload->AddField("a", "1");
    const DWORD dwStart = GetTickCount();
    ASSERT_EQ(Upload(FaultUrl("/reset-after/100"), file.Path()), TransferCode::Failed) << m_listener.Describe();
    EXPECT_GE(GetTickCount() - dwStart, 3000u);
    EXPECT_EQ(m_listener.RetryDelays(), (Delays{1000, 2000})) << m_listener.Describe();
    EXPECT_EQ(m_listener.Last(Heard::RetryWait)->nSecond, static_cast<uint32_t>(RetryWait::Broken));
    EXPECT_EQ(FaultLog().size(), 3u);
}

// A verdict is final: no wait, no second request.
TEST_F(RetryWaitTest, RejectedPictureIsNeverTriedAgain) {
    CScratchFile file("rejected.bin", 20000);
    m_pUpload->AddField("a", "1");
    ASSERT_EQ(Upload(FaultUrl("/retcode/999"), file.Path()), TransferCode::Complete);
    EXPECT_TRUE(m_listener.RetryDelays().empty());
    EXPECT_EQ(FaultLog().size(), 1u);
}

// A line that drops in the middle of the body for longer than the time-outs: the attempt ends
// by the receive time-out as a broken connection does, and the next follows a second later.
TEST_F(RetryWaitTest, ALineThatDropsEndsTheAttemptByTheTimeout) {
    CScratchFile file("line-drop.bin", 20 * 1024);
    FaultNextUpload("line-drop.bin", "/drop/5000/5000");
    m_pUpload->SetTimeouts(2000, 2000, 2000);
    const long nStored = AlbumStats()["stored"];
    TransferCode code{};
    const DWORD dwMs = UploadThroughRelay("line-drop.bin", file, code);
    ASSERT_EQ(code, TransferCode::Complete) << m_listener.Describe();
    ExpectWellFormedJob(m_listener, TransferCode::Complete);
    EXPECT_EQ(m_listener.RetryDelays(), (Delays{1000}));
    EXPECT_EQ(m_listener.Last(Heard::RetryWait)->nSecond, static_cast<uint32_t>(RetryWait::Broken));
    EXPECT_EQ(m_listener.Count(Heard::Response), 1u) << "the time-out is no answer";
    EXPECT_GE(dwMs, 3000u);
    EXPECT_LT(dwMs, 5000u) << "ended by the time-out, not by the line's return";
    ExpectStoredOnce("line-drop.bin", file, nStored);
}

}  // namespace
