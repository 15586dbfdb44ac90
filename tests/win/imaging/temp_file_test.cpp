#include "base/temp_file.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cctype>

#include "test_support.h"

namespace {

bool Exists(const std::string& strPath) { return GetFileAttributesA(strPath.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

TEST(CTempFile, EmptyFileOfOurOwnInTheTemporaryFolder) {
    const CTempFile file = CTempFile::Create();
    ASSERT_TRUE(file);
    const std::string strFolder = TempFolder();
    ASSERT_GT(file.GetPath().size(), strFolder.size());
    EXPECT_EQ(Upper(file.GetPath().substr(0, strFolder.size())), Upper(strFolder));
    // GetTempFileNameA keeps the first three letters of the prefix.
    EXPECT_EQ(file.GetPath().substr(strFolder.size(), 3), "DOR");
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA(file.GetPath().c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 0u);
}

TEST(CTempFile, DeletedWithItsOwner) {
    std::string strPath;
    {
        const CTempFile file = CTempFile::Create();
        strPath = file.GetPath();
        ASSERT_TRUE(Exists(strPath));
    }
    EXPECT_FALSE(Exists(strPath));
}

TEST(CTempFile, MoveHandsOverAndAssignmentDeletesTheOld) {
    CTempFile a = CTempFile::Create();
    const std::string strA = a.GetPath();
    CTempFile b = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(b.GetPath(), strA);
    EXPECT_TRUE(Exists(strA));
    b = CTempFile::Create();
    EXPECT_FALSE(Exists(strA));
    EXPECT_TRUE(Exists(b.GetPath()));
}

TEST(CTempFile, ReleasedFileStays) {
    std::string strPath;
    {
        CTempFile file = CTempFile::Create();
        strPath = file.Release();
        EXPECT_FALSE(file);
    }
    EXPECT_TRUE(Exists(strPath));
    DeleteFileA(strPath.c_str());
}

TEST(CTempFile, DirectoryOfTheSameNameIsLeftAlone) {
    CTempFile file = CTempFile::Create();
    const std::string strPath = file.GetPath();
    ASSERT_TRUE(DeleteFileA(strPath.c_str()));
    ASSERT_TRUE(CreateDirectoryA(strPath.c_str(), nullptr));
    file.Delete();
    EXPECT_TRUE(Exists(strPath));
    RemoveDirectoryA(strPath.c_str());
}

}  // namespace
