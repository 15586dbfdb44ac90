#include "imaging/picture_names.h"

#include <gtest/gtest.h>

namespace {

TEST(PictureNames, NamesComeBackInOrderAndPathsStartWithTheFolder) {
    CPictureNames names("C:\\Photos\\");
    // GBK bytes, a name longer than any short-string buffer, and an empty one between.
    for (const char* name : {"IMG_0001.JPG", "\xB4\xBA\xBD\xDA.jpg", "", "a rather long name of a holiday picture.gif"})
        names.Add(name);
    names.Shrink();
    ASSERT_EQ(names.GetCount(), 4u);
    EXPECT_EQ(names.GetName(0), "IMG_0001.JPG");
    EXPECT_EQ(names.GetName(1), "\xB4\xBA\xBD\xDA.jpg");
    EXPECT_EQ(names.GetName(2), "");
    EXPECT_EQ(names.GetName(3), "a rather long name of a holiday picture.gif");
    EXPECT_EQ(names.GetPath(0), "C:\\Photos\\IMG_0001.JPG");
    EXPECT_EQ(names.GetPath(3), "C:\\Photos\\a rather long name of a holiday picture.gif");
    EXPECT_EQ(names.GetFolder(), "C:\\Photos\\");
}

}  // namespace
