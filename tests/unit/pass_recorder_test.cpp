#include "upload/pass_recorder.h"

#include <gtest/gtest.h>

#include <atomic>

#include "memory_journal_disk.h"

namespace {

const UploadSettings kSettings{"sig", "Travel", "http://127.0.0.1/upload", 10001, true};

class PassRecorderTest : public testing::Test {
protected:
    // Pictures C:\pics\p1.jpg ... on the disk, queued at indices 0 ...
    std::vector<QueuedPicture> Pictures(int n) {
        std::vector<QueuedPicture> queued;
        for (int i = 0; i < n; ++i) {
            const std::string path = "C:\\pics\\p" + std::to_string(i + 1) + ".jpg";
            disk.pictures[path] = FileStamp{1000u + static_cast<unsigned>(i), 77};
            queued.push_back(QueuedPicture{i, path});
        }
        return queued;
    }
    // What the disk holds once the writer is idle.
    std::optional<CPassJournal> OnDisk() {
        EXPECT_TRUE(recorder.Flush(5000));
        const auto bytes = disk.Read(kName, CPassJournal::kMaxBytes);
        return bytes ? CPassJournal::Parse(*bytes, IsGbkLeadByte) : std::nullopt;
    }
    std::string States() {
        std::string states;
        if (const auto journal = OnDisk())
            for (const JournalPicture& p : journal->Pictures()) states += static_cast<char>(p.state);
        return states;
    }

    // Nothing is left for the writer to do, and the claims it held are let go.
    bool Idle() { return recorder.Flush(5000); }
    // A picture's request as the batch starts it, nFollowing queued after it: once the
    // recorder says its state is on the disk, which it says when the writer's wake reaches it.
    void Send(int nIndex, int nFollowing = -1) {
        if (recorder.OnSending(nIndex, nFollowing)) return;
        const int nBefore = nRecorded;
        ASSERT_TRUE(Idle());
        recorder.OnWritten();
        ASSERT_EQ(nRecorded, nBefore + 1);
    }
    void SetUp() override {
        recorder.SetRecordedHandler([this] { ++nRecorded; });
    }

    const std::string kName = CPassJournal::FileNameFor(10001, "Travel");
    CMemoryJournalDisk disk;
    std::atomic<int> nWakes{0};
    CPassRecorder recorder{disk, IsGbkLeadByte, [this] { ++nWakes; }};
    int nRecorded = 0;
};

TEST_F(PassRecorderTest, EachRequestStartsWithItsStateOnDiskAndTheEndRemovesIt) {
    recorder.OnBatchStarted(kSettings, Pictures(3));
    EXPECT_EQ(States(), "www");
    EXPECT_TRUE(disk.claimed.count(kName));
    Send(0, 1);
    EXPECT_EQ(States(), "ssw");
    recorder.OnVerdict(0, JournalState::Stored);
    Send(1, 2);
    EXPECT_EQ(States(), "kss");
    recorder.OnVerdict(1, JournalState::Failed);
    Send(2);
    recorder.OnVerdict(2, JournalState::Stored);
    recorder.OnPassEnded();
    EXPECT_EQ(States(), "kfk");
    // The re-upload pass: the failed picture again, then nothing is left.
    Send(1);
    EXPECT_EQ(States(), "ksk");
    recorder.OnVerdict(1, JournalState::Stored);
    recorder.OnPassEnded();
    ASSERT_TRUE(Idle());
    EXPECT_FALSE(disk.files.count(kName));
    recorder.OnBatchEnded();
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(disk.claimed.empty());
    // The start, then at most one a request: a version not yet begun gives way to a later one.
    EXPECT_LE(disk.writes.size(), 6u);
}

// The caller's thread (the user interface's) never waits for the disk: the writer's thread
// writes, and the request is held until its picture's state is written.
TEST_F(PassRecorderTest, TheWriterWritesAndARequestWaitsForItsState) {
    recorder.OnBatchStarted(kSettings, Pictures(2));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(nWakes, 0) << "nothing waited for the start's change";
    disk.Hold();
    EXPECT_FALSE(recorder.OnSending(0, 1));
    ASSERT_TRUE(disk.AwaitWrite(2));
    recorder.OnWritten();
    EXPECT_EQ(nRecorded, 0) << "started before its state was on the disk";
    disk.Release();
    ASSERT_TRUE(Idle());
    EXPECT_GE(nWakes, 1);
    recorder.OnWritten();
    EXPECT_EQ(nRecorded, 1);
    recorder.OnWritten();
    EXPECT_EQ(nRecorded, 1) << "a late wake starts nothing more";
    EXPECT_EQ(States(), "ss");
    EXPECT_EQ(disk.writers.size(), 1u);
    EXPECT_FALSE(disk.writers.count(std::this_thread::get_id())) << "the caller's thread wrote";
    // The picture recorded ahead starts at once, however slow the disk is now.
    disk.Hold();
    recorder.OnVerdict(0, JournalState::Stored);
    EXPECT_TRUE(recorder.OnSending(1, -1));
    disk.Release();
}

TEST_F(PassRecorderTest, ABatchTornDownUnseenKeepsWhatIsLeftAndLetsGo) {
    recorder.OnBatchStarted(kSettings, Pictures(2));
    Send(0, 1);
    recorder.OnVerdict(0, JournalState::Failed);
    recorder.OnBatchAborted();
    EXPECT_EQ(States(), "fw") << "the picture recorded ahead never started";
    EXPECT_TRUE(disk.claimed.empty());
}

TEST_F(PassRecorderTest, ABatchWhoseEndTheUserSawLeavesNothing) {
    recorder.OnBatchStarted(kSettings, Pictures(2));
    Send(0);
    recorder.OnVerdict(0, JournalState::Failed);
    recorder.OnBatchEnded();  // the summary dismissed with a failure left, or a cancel
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(disk.files.empty());
    EXPECT_TRUE(disk.claimed.empty());
}

TEST_F(PassRecorderTest, NoJournalWithoutUserOrAlbumOrOutsideOneLocalFolder) {
    UploadSettings noUser = kSettings;
    noUser.nKXUin = 0;
    recorder.OnBatchStarted(noUser, Pictures(1));
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(disk.files.empty());
    auto mixed = Pictures(2);
    mixed[1].strPath = "C:\\other\\p2.jpg";
    disk.pictures[mixed[1].strPath] = FileStamp{1, 1};
    recorder.OnBatchStarted(kSettings, mixed);
    recorder.OnBatchStarted(kSettings, {QueuedPicture{0, "\\\\server\\share\\a.jpg"}});
    Send(0);
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(disk.files.empty());
}

TEST_F(PassRecorderTest, AnotherRunningPassOfTheAlbumKeepsItsJournal) {
    const auto claim = disk.Claim(kName);
    recorder.OnBatchStarted(kSettings, Pictures(1));
    Send(0);
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(disk.files.empty());
    EXPECT_FALSE(recorder.FindUnfinished(10001, "Travel").has_value());
}

TEST_F(PassRecorderTest, FindsTheUnfinishedJournalOnceAndHoldsIt) {
    recorder.OnBatchStarted(kSettings, Pictures(3));
    Send(0);
    recorder.OnVerdict(0, JournalState::Stored);
    Send(1);  // the page dies here
    CPassRecorder next{disk, IsGbkLeadByte, [] {}};
    EXPECT_FALSE(next.FindUnfinished(10001, "Travel").has_value()) << "the first one's pass still runs";
    recorder.OnBatchAborted();
    ASSERT_TRUE(Idle());

    const auto found = next.FindUnfinished(10001, "Travel");
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->PendingCount(), 2u);
    CPassRecorder third{disk, IsGbkLeadByte, [] {}};
    EXPECT_FALSE(third.FindUnfinished(10001, "Travel").has_value()) << "offered by a second control";
    EXPECT_FALSE(next.FindUnfinished(10002, "Travel").has_value());

    // Yes: p2 was in flight, p3 changed since, and what is sent is journalled afresh.
    disk.pictures["C:\\pics\\p3.jpg"].nModified = 78;
    const ResumePlan plan = next.PlanResume(*found);
    EXPECT_EQ(plan.strFolder, "C:\\pics\\");
    EXPECT_EQ(plan.arrNames, std::vector<std::string>{"p2.jpg"});
    EXPECT_EQ(plan.arrMaybeStored, std::vector<std::string>{"p2.jpg"});
    ASSERT_EQ(plan.arrNotResumed.size(), 1u);
    EXPECT_EQ(plan.arrNotResumed[0].first, "p3.jpg");
    EXPECT_EQ(plan.arrNotResumed[0].second, NotResumedWhy::Changed);
    next.OnBatchStarted(kSettings, {QueuedPicture{4, "C:\\pics\\p2.jpg"}});
    ASSERT_TRUE(next.Flush(5000));
    EXPECT_EQ(States(), "w");
}

TEST_F(PassRecorderTest, NoDiscardsTheJournal) {
    recorder.OnBatchStarted(kSettings, Pictures(2));
    recorder.OnBatchAborted();
    ASSERT_TRUE(Idle());
    ASSERT_TRUE(recorder.FindUnfinished(10001, "Travel").has_value());
    recorder.Discard();
    ASSERT_TRUE(Idle());
    EXPECT_TRUE(disk.files.empty());
    EXPECT_TRUE(disk.claimed.empty());
    EXPECT_FALSE(recorder.FindUnfinished(10001, "Travel").has_value());
}

TEST_F(PassRecorderTest, OldDamagedAndNewerJournalsAreSweptAtTheStart) {
    recorder.OnBatchStarted(kSettings, Pictures(2));
    recorder.OnBatchAborted();
    UploadSettings other = kSettings;
    other.strAlbumName = "Other";
    disk.nNow += 3 * 24 * 3600;
    recorder.OnBatchStarted(other, Pictures(1));
    recorder.OnBatchAborted();
    ASSERT_TRUE(Idle());
    disk.files["pass-1-damaged.journal"] = disk.files[kName].substr(0, 40);
    disk.files["pass-2-newer.journal"] = "tessaline-journal 3\n";
    disk.files["pass-3-huge.journal"] = std::string(CPassJournal::kMaxBytes + 1, 'x');
    disk.nNow += 4 * 24 * 3600 + 1;  // the first is now a week and a second old

    EXPECT_FALSE(recorder.FindUnfinished(10001, "Travel").has_value());
    ASSERT_TRUE(Idle());
    ASSERT_EQ(disk.files.size(), 1u);
    EXPECT_EQ(disk.files.begin()->first, CPassJournal::FileNameFor(10001, "Other"));
}

TEST_F(PassRecorderTest, AVanishedPictureIsNotSent) {
    recorder.OnBatchStarted(kSettings, Pictures(2));
    recorder.OnBatchAborted();
    ASSERT_TRUE(Idle());
    const auto found = recorder.FindUnfinished(10001, "Travel");
    ASSERT_TRUE(found.has_value());
    disk.pictures.erase("C:\\pics\\p1.jpg");
    const ResumePlan plan = recorder.PlanResume(*found);
    EXPECT_EQ(plan.arrNames, std::vector<std::string>{"p2.jpg"});
    ASSERT_EQ(plan.arrNotResumed.size(), 1u);
    EXPECT_EQ(plan.arrNotResumed[0].second, NotResumedWhy::Gone);
}

}  // namespace
