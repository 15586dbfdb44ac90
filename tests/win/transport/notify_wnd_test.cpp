#include "transport/notify_wnd.h"

#include <gtest/gtest.h>

#include <thread>

#include "transport/notify_link.h"
#include "transport_test_support.h"

namespace {

// Posts one job's notifications from a thread of its own, as a worker does.
void PostJobFromWorker(const CNotifyLink& link) {
    std::thread worker([&] {
        link.PostText(WM_TRANSFER_CONNECTING, "album.example");
        link.PostPair(WM_TRANSFER_PROGRESS, 10240, 30000);
        link.PostPair(WM_TRANSFER_PROGRESS, 30000, 30000);
        link.Post(WM_TRANSFER_RESPONSE, nullptr, 0);
        link.PostPair(WM_TRANSFER_BEGIN, 0, 0xFFFFFFFF);
        link.PostText(WM_TRANSFER_REDIRECT, "http://album.example/next");
        link.PostCode(WM_TRANSFER_ERROR, 3);
        link.PostFinished(3, "C:\\temp\\abcdEFGH");
    });
    worker.join();
}

class NotifyWndTest : public testing::Test {
protected:
    void TearDown() override {
        EXPECT_TRUE(WaitForTransportIdle(2000)) << TransportStateText();
        EXPECT_EQ(CNotifyWnd::LiveWindowCount(), 0u) << "a window outlived its link";
    }
};

}  // namespace

TEST_F(NotifyWndTest, AJobThatEndsBeforeThePumpStillDeliversEverythingInOrder) {
    CRecordingListener listener;
    CNotifyLink link;
    ASSERT_TRUE(link.Attach(&listener));
    PostJobFromWorker(link);
    EXPECT_EQ(CNotifyWnd::LivePayloadCount(), 7) << "every notification but the response carries a block";
    ASSERT_TRUE(PumpUntil([&] { return listener.IsFinished(); }, 2000));
    const auto& e = listener.Events();
    ASSERT_EQ(e.size(), 8u) << listener.Describe();
    EXPECT_EQ(e[0].kind, Heard::Connecting);
    EXPECT_EQ(e[0].text, "album.example");
    EXPECT_EQ(e[1].kind, Heard::Progress);
    EXPECT_EQ(e[1].nFirst, 10240u);
    EXPECT_EQ(e[1].nSecond, 30000u);
    EXPECT_EQ(e[2].nFirst, 30000u);
    EXPECT_EQ(e[3].kind, Heard::Response);
    EXPECT_EQ(e[4].kind, Heard::Begin);
    EXPECT_EQ(e[4].nFirst, 0u);
    EXPECT_EQ(e[4].nSecond, 0xFFFFFFFFu);
    EXPECT_EQ(e[5].kind, Heard::Redirect);
    EXPECT_EQ(e[5].text, "http://album.example/next");
    EXPECT_EQ(e[6].kind, Heard::Error);
    EXPECT_EQ(e[6].nFirst, 3u);
    EXPECT_EQ(e[7].kind, Heard::Finished);
    EXPECT_EQ(e[7].nFirst, 3u);
    EXPECT_EQ(e[7].text, "C:\\temp\\abcdEFGH");
    EXPECT_EQ(CNotifyWnd::LivePayloadCount(), 0);
    link.Detach();
}

TEST_F(NotifyWndTest, DetachDropsWhatIsStillQueuedAndFreesItsBlocks) {
    CRecordingListener listener;
    CNotifyLink link;
    ASSERT_TRUE(link.Attach(&listener));
    PostJobFromWorker(link);
    link.Detach();
    EXPECT_FALSE(link.IsAttached());
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(listener.Events().empty()) << listener.Describe();
    EXPECT_EQ(CNotifyWnd::LivePayloadCount(), 0);
    EXPECT_EQ(CNotifyWnd::LiveWindowCount(), 1u) << "the window waits for the link's next job";
}

TEST_F(NotifyWndTest, TwoEnginesEachHearTheirOwn) {
    CRecordingListener listenerA, listenerB;
    CNotifyLink linkA, linkB;
    ASSERT_TRUE(linkA.Attach(&listenerA));
    ASSERT_TRUE(linkB.Attach(&listenerB));
    linkA.PostCode(WM_TRANSFER_ERROR, 2);
    linkB.PostCode(WM_TRANSFER_ERROR, 5);
    PumpUntil([&] { return listenerA.Count(Heard::Error) && listenerB.Count(Heard::Error); }, 1000);
    ASSERT_EQ(listenerA.Events().size(), 1u);
    ASSERT_EQ(listenerB.Events().size(), 1u);
    EXPECT_EQ(listenerA.Events()[0].nFirst, 2u);
    EXPECT_EQ(listenerB.Events()[0].nFirst, 5u);
    linkA.Detach();
    linkB.Detach();
}

TEST_F(NotifyWndTest, AnEngineThatAttachesAgainHearsNothingOfItsStoppedJob) {
    // The stopped job's notifications are still queued when the next job starts.
    CRecordingListener listener;
    CNotifyLink link;
    ASSERT_TRUE(link.Attach(&listener));
    PostJobFromWorker(link);
    link.Detach();
    ASSERT_TRUE(link.Attach(&listener));
    link.PostText(WM_TRANSFER_CONNECTING, "next.example");
    PumpUntil([&] { return listener.Count(Heard::Connecting) > 0; }, 1000);
    PumpUntil([] { return false; }, 50);
    ASSERT_EQ(listener.Events().size(), 1u) << listener.Describe();
    EXPECT_EQ(listener.Events()[0].text, "next.example");
    EXPECT_EQ(CNotifyWnd::LivePayloadCount(), 0);
    link.Detach();
}

TEST_F(NotifyWndTest, AListenerThatRestartsInsideOnFinishedKeepsItsWindow) {
    CRecordingListener listener;
    CNotifyLink link;
    ASSERT_TRUE(link.Attach(&listener));
    const HWND hFirst = link.Window();
    HWND hSecond = nullptr;
    listener.m_onHeard = [&](const Heard& heard) {
        if (heard.kind != Heard::Finished) return;
        // What the batch does for its next picture: stop (detach), then start (attach).
        link.Detach();
        ASSERT_TRUE(link.Attach(&listener));
        hSecond = link.Window();
        std::thread([&] { link.PostText(WM_TRANSFER_CONNECTING, "second.example"); }).join();
    };
    std::thread([&] { link.PostFinished(0, "first"); }).join();
    ASSERT_TRUE(PumpUntil([&] { return listener.Count(Heard::Connecting) > 0; }, 2000)) << listener.Describe();
    ASSERT_EQ(listener.Events().size(), 2u) << listener.Describe();
    EXPECT_EQ(listener.Events()[0].text, "first");
    EXPECT_EQ(listener.Events()[1].text, "second.example");
    EXPECT_EQ(hSecond, hFirst) << "one window for the link's jobs";
    EXPECT_EQ(CNotifyWnd::LiveWindowCount(), 1u);
    link.Detach();
}

TEST_F(NotifyWndTest, ProgressReportsAreMergedButNeverTheLast) {
    CRecordingListener listener;
    CNotifyLink link;
    ASSERT_TRUE(link.Attach(&listener));
    std::thread([&] {
        link.PostProgress(10240, 40000, false);
        link.PostProgress(20480, 40000, false);  // merged: too soon after the first
        link.PostProgress(40000, 40000, true);   // the last always goes
        Sleep(2 * CNotifyLink::kProgressGapMs);
        link.PostProgress(5, 10, false);  // a moment later a report goes out again
    }).join();
    PumpUntil([&] { return listener.Count(Heard::Progress) == 3; }, 1000);
    ASSERT_EQ(listener.Events().size(), 3u) << listener.Describe();
    EXPECT_EQ(listener.Events()[0].nFirst, 10240u);
    EXPECT_EQ(listener.Events()[1].nFirst, 40000u);
    EXPECT_EQ(listener.Events()[2].nFirst, 5u);
    // The next job of the link: its last report goes, however soon after the one before.
    link.Detach();
    ASSERT_TRUE(link.Attach(&listener));
    std::thread([&] {
        link.PostProgress(1, 10, false);
        link.PostProgress(10, 10, true);
    }).join();
    PumpUntil([&] { return listener.Events().back().nFirst == 10; }, 1000);
    EXPECT_EQ(listener.Events().back().nFirst, 10u) << listener.Describe();
    link.Detach();
}

TEST_F(NotifyWndTest, WithoutAListenerNothingIsAttachedOrPosted) {
    CNotifyLink link;
    EXPECT_TRUE(link.Attach(nullptr));
    EXPECT_FALSE(link.IsAttached());
    EXPECT_EQ(CNotifyWnd::LiveWindowCount(), 0u);
    link.PostCode(WM_TRANSFER_ERROR, 2);
    EXPECT_EQ(CNotifyWnd::LivePayloadCount(), 0);
    link.Detach();
}

TEST_F(NotifyWndTest, EachUserInterfaceThreadHearsItsOwnEnginesOnItself) {
    CRecordingListener listenerMain;
    CNotifyLink linkMain;
    ASSERT_TRUE(linkMain.Attach(&listenerMain));
    DWORD dwHeardOn = 0;
    std::thread other([&] {
        CRecordingListener listenerOther;
        CNotifyLink linkOther;
        listenerOther.m_onHeard = [&](const Heard&) { dwHeardOn = GetCurrentThreadId(); };
        ASSERT_TRUE(linkOther.Attach(&listenerOther));
        EXPECT_EQ(CNotifyWnd::LiveWindowCount(), 2u);
        std::thread([&] { linkOther.PostCode(WM_TRANSFER_ERROR, 8); }).join();
        PumpUntil([&] { return listenerOther.Count(Heard::Error) > 0; }, 1000);
        EXPECT_EQ(dwHeardOn, GetCurrentThreadId());
        linkOther.Detach();
    });
    other.join();
    EXPECT_NE(dwHeardOn, 0u);
    EXPECT_NE(dwHeardOn, GetCurrentThreadId());
    EXPECT_EQ(CNotifyWnd::LiveWindowCount(), 1u);
    linkMain.Detach();
}
