#include "upload/journal_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>

#include "memory_journal_disk.h"

namespace {

class JournalWriterTest : public testing::Test {
protected:
    void SetUp() override { disk.pictures["C:\\pics\\p1.jpg"] = FileStamp{1, 2}; }
    // Version n of a pass of one picture: told apart by its time.
    JournalVersion Version(std::int64_t n) { return JournalVersion{pass, {JournalState::Waiting}, n}; }
    // The time of the version on the disk; -1 for none.
    std::int64_t WrittenAt(const std::string& strName) {
        const auto bytes = disk.Read(strName, CPassJournal::kMaxBytes);
        const auto journal = bytes ? CPassJournal::Parse(*bytes, IsGbkLeadByte) : std::nullopt;
        return journal ? journal->WrittenAt() : -1;
    }

    const std::shared_ptr<const JournalPass> pass =
        std::make_shared<const JournalPass>(JournalPass{10001, "Travel", "C:\\pics\\", {"p1.jpg"}});
    CMemoryJournalDisk disk;
    std::atomic<int> nWakes{0};
    CJournalWriter writer{disk, [this] { ++nWakes; }};
};

// "b" changes twice while the writer is busy with "c"; its second version takes the place of
// the first, and whoever waits for the first waits for the second.
TEST_F(JournalWriterTest, ALaterVersionTakesThePlaceOfOneNotBegunAndIsWaitedForWithIt) {
    disk.Hold();
    const auto c = writer.Write("c", Version(1), nullptr);
    ASSERT_TRUE(disk.AwaitWrite(1));
    const auto b1 = writer.Write("b", Version(2), nullptr);
    const auto a = writer.Write("a", Version(3), nullptr);
    const auto b2 = writer.Write("b", Version(4), nullptr);
    EXPECT_FALSE(writer.IsWritten(c));
    disk.Let(2);
    ASSERT_TRUE(disk.AwaitWrite(3));  // "c" and "a" done, "b" begun
    EXPECT_TRUE(writer.IsWritten(c));
    EXPECT_FALSE(writer.IsWritten(b1)) << "its place is taken by a version not yet written";
    EXPECT_FALSE(writer.IsWritten(a)) << "an earlier change is not done";
    disk.Release();
    ASSERT_TRUE(writer.Flush(5000));
    EXPECT_TRUE(writer.IsWritten(b2));
    EXPECT_EQ(disk.writes.size(), 3u);
    EXPECT_EQ(WrittenAt("b"), 4);
    writer.End(0);
    EXPECT_EQ(nWakes, 3) << "one wake a change done";
}

// A journal goes when it is removed, when nothing in it is left to send (a picture whose file
// cannot be read is not listed), and when its new version cannot be written: an older one
// would say less than is true.
TEST_F(JournalWriterTest, AJournalWithNothingToSendOrThatCannotBeWrittenGoes) {
    JournalPass withUnreadable = *pass;
    withUnreadable.arrNames.push_back("unreadable.jpg");
    const auto twoPictures = std::make_shared<const JournalPass>(withUnreadable);
    for (const char* name : {"a", "b", "c", "d"}) writer.Write(name, Version(1), nullptr);
    ASSERT_TRUE(writer.Flush(5000));
    ASSERT_EQ(disk.files.size(), 4u);
    writer.Write("a", std::nullopt, nullptr);
    writer.Write("b", JournalVersion{twoPictures, {JournalState::Stored, JournalState::Waiting}, 2}, nullptr);
    writer.Write("c", JournalVersion{twoPictures, {JournalState::Waiting, JournalState::Waiting}, 2}, nullptr);
    ASSERT_TRUE(writer.Flush(5000));
    disk.bCanWrite = false;
    writer.Write("d", Version(2), nullptr);
    ASSERT_TRUE(writer.Flush(5000));
    ASSERT_EQ(disk.files.size(), 1u);
    const auto c = CPassJournal::Parse(disk.files["c"], IsGbkLeadByte);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->Pictures().size(), 1u) << "the unreadable picture is not listed";
}

// After its first version a pass's journal takes only the states that changed, written over it
// in place; a journal that is not as the writer left it is written whole again.
TEST_F(JournalWriterTest, LaterVersionsOfAPassAreWrittenInPlace) {
    using S = JournalState;
    const auto three = std::make_shared<const JournalPass>(
        JournalPass{10001, "Travel", "C:\\pics\\", {"p1.jpg", "gone.jpg", "p3.jpg"}});
    disk.pictures["C:\\pics\\p3.jpg"] = FileStamp{3, 4};
    for (const std::vector<S>& states :
         {std::vector{S::Sending, S::Waiting, S::Sending}, std::vector{S::Stored, S::Sending, S::Sending},
          std::vector{S::Stored, S::Sending, S::Failed}}) {
        writer.Write("a", JournalVersion{three, states, 1}, nullptr);
        ASSERT_TRUE(writer.Flush(5000));
    }
    EXPECT_EQ(disk.nReplaced, 1);
    EXPECT_EQ(disk.writes.size(), 3u);
    auto journal = CPassJournal::Parse(disk.files["a"], IsGbkLeadByte);
    ASSERT_TRUE(journal.has_value());
    ASSERT_EQ(journal->Pictures().size(), 2u);
    EXPECT_EQ(journal->Pictures()[0].state, S::Stored);
    EXPECT_EQ(journal->Pictures()[1].state, S::Failed);

    disk.files["a"] += "\n";
    writer.Write("a", JournalVersion{three, {S::Stored, S::Sending, S::Sending}, 2}, nullptr);
    ASSERT_TRUE(writer.Flush(5000));
    EXPECT_EQ(disk.nReplaced, 2);
    EXPECT_EQ(WrittenAt("a"), 2);
}

// The end waits a bounded time: what is being written finishes, what is still queued is
// dropped with its claim, and no thread is left.
TEST_F(JournalWriterTest, TheEndWaitsABoundedTimeAndDropsWhatIsQueued) {
    disk.Hold();
    auto claim = std::shared_ptr<CPassClaim>(disk.Claim("b"));
    writer.Write("a", Version(1), nullptr);
    ASSERT_TRUE(disk.AwaitWrite(1));
    writer.Write("b", Version(1), std::move(claim));
    std::thread release([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        disk.Release();
    });
    writer.End(50);
    release.join();
    EXPECT_EQ(WrittenAt("a"), 1);
    EXPECT_EQ(WrittenAt("b"), -1);
    EXPECT_TRUE(disk.claimed.empty());
    // A later change starts the thread afresh.
    writer.Write("b", Version(2), nullptr);
    ASSERT_TRUE(writer.Flush(5000));
    EXPECT_EQ(WrittenAt("b"), 2);
}

}  // namespace
