// The journals' folder on a real file system under Wine: a journal replaced whole, nothing
// left beside it, a claim no second opener gets, and the stamps of picture files.
#include "upload/journal_folder.h"
#include "upload/pass_recorder.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <ctime>

#include "framework/text.h"
#include "test_support.h"

namespace {

class JournalFolderTest : public testing::Test {
protected:
    CScratchFolder scratch;
    CJournalFolder folder{scratch.Path() + "\\journals\\"};
};

std::vector<std::string> FilesIn(const std::string& strFolder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((strFolder + "*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(data.cFileName);
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return names;
}

TEST_F(JournalFolderTest, AJournalIsReplacedWholeAndRemovedWithWhatWasBesideIt) {
    EXPECT_FALSE(folder.Read("pass-1-a.journal", 100).has_value());
    ASSERT_TRUE(folder.Replace("pass-1-a.journal", "first"));
    ASSERT_TRUE(folder.Replace("pass-1-a.journal", "second, longer"));
    EXPECT_EQ(folder.Read("pass-1-a.journal", 100), "second, longer");
    EXPECT_FALSE(folder.Read("pass-1-a.journal", 5).has_value()) << "longer than asked: not read";
    EXPECT_EQ(FilesIn(folder.Folder()), std::vector<std::string>{"pass-1-a.journal"});
    EXPECT_EQ(folder.List(), std::vector<std::string>{"pass-1-a.journal"});

    // What a writer killed before its move leaves goes with the journal.
    WriteBytes(folder.Folder() + "pass-1-a.journal.new", "half", 4);
    folder.Remove("pass-1-a.journal");
    EXPECT_TRUE(FilesIn(folder.Folder()).empty());
}

TEST_F(JournalFolderTest, AClaimIsHeldAgainstEveryOtherUntilItGoes) {
    auto claim = folder.Claim("pass-1-a.journal");
    ASSERT_NE(claim, nullptr);
    EXPECT_EQ(folder.Claim("pass-1-a.journal"), nullptr);
    CJournalFolder other(folder.Folder());
    EXPECT_EQ(other.Claim("pass-1-a.journal"), nullptr);
    EXPECT_NE(other.Claim("pass-1-b.journal"), nullptr);
    claim.reset();
    EXPECT_NE(other.Claim("pass-1-a.journal"), nullptr);
    EXPECT_TRUE(FilesIn(folder.Folder()).empty()) << "a claim leaves no file behind";
}

TEST_F(JournalFolderTest, AStampChangesWithThePicture) {
    const std::string path = scratch.Fill("a.jpg", 100);
    const auto stamp = folder.StampOf(path);
    ASSERT_TRUE(stamp.has_value());
    EXPECT_EQ(stamp->nSize, 100u);
    EXPECT_EQ(folder.StampOf(path), stamp);
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    FILETIME later{};
    later.dwHighDateTime = static_cast<DWORD>(stamp->nModified >> 32) + 1;
    SetFileTime(h, nullptr, nullptr, &later);
    CloseHandle(h);
    EXPECT_NE(folder.StampOf(path), stamp);
    EXPECT_FALSE(folder.StampOf(scratch.File("gone.jpg")).has_value());
    EXPECT_FALSE(folder.StampOf(scratch.Path()).has_value()) << "a folder is no picture";
}

TEST_F(JournalFolderTest, TheUsersOwnFolderIsUnderLocalApplicationData) {
    CJournalFolder own;
    char szLocal[MAX_PATH] = {};
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, szLocal)));
    EXPECT_EQ(own.Folder(), std::string(szLocal) + "\\Tessaline\\");
    const std::int64_t nNow = own.Now();
    EXPECT_GT(nNow, 1'700'000'000);
    EXPECT_LT(nNow - static_cast<std::int64_t>(time(nullptr)), 2);
}

// Two controls on two pages for one album: the second never offers the first one's running
// pass, and offers it once that pass died unseen.
TEST_F(JournalFolderTest, TheSecondControlDoesNotOfferTheFirstOnesRunningPass) {
    const std::string picture = scratch.Fill("a.jpg", 100);
    const UploadSettings settings{"sig", "Travel", "http://127.0.0.1/upload", 10001, true};
    auto first = std::make_unique<CPassRecorder>(folder, IsAnsiLeadByte, [] {});
    first->OnBatchStarted(settings, {QueuedPicture{0, picture}});
    first->OnSending(0, -1);
    CJournalFolder secondFolder(folder.Folder());
    CPassRecorder second(secondFolder, IsAnsiLeadByte, [] {});
    EXPECT_FALSE(second.FindUnfinished(10001, "Travel").has_value());
    first->OnBatchAborted();
    ASSERT_TRUE(first->Flush(5000));
    const auto offered = second.FindUnfinished(10001, "Travel");
    ASSERT_TRUE(offered.has_value());
    EXPECT_EQ(offered->PendingCount(), 1u);
    second.Discard();
    ASSERT_TRUE(second.Flush(5000));
    EXPECT_TRUE(FilesIn(folder.Folder()).empty());
}

}  // namespace
