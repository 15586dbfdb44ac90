// Camera pictures made by run-camera-test.sh with ImageMagick and exiftool: the same upright
// picture, a mark in its top-left corner, stored in each of the eight EXIF orientations,
// with and without an embedded thumbnail (marked in another colour, so that it shows which
// one the grid got), a 16:9 picture whose 4:3 thumbnail letterboxes it, and a crop of the
// picture that kept the old thumbnail. The folder's
// path comes in TESSALINE_CAMERA_FOLDER, the files of the eight orientations and what to
// expect of each in manifest.txt; the copies for upload go to out\ for the script
// to read their metadata.
#include "imaging/prepare_picture.h"
#include "imaging/thumbnail.h"

#include <gtest/gtest.h>

#include "imaging_test_support.h"
#include "test_support.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// The upright picture every file shows: 400 × 300, its top-left quarter marked.
constexpr int kWidth = 400;
constexpr int kHeight = 300;

struct CameraFile {
    std::string strName;
    bool bEmbeddedThumb = false;
};

enum class Mark { Red, Green, White };

Mark ColourAt(const RgbImage& image, int x, int y) {
    const std::uint8_t* p = image.Pixel(x, y);
    if (p[0] > 200 && p[1] > 200 && p[2] > 200) return Mark::White;
    if (p[0] > 160 && p[1] < 100 && p[2] < 100) return Mark::Red;
    if (p[1] > 100 && p[0] < 100 && p[2] < 100) return Mark::Green;
    return static_cast<Mark>(-1);
}

// The mark in the top-left corner and nowhere else: the picture is upright.
void ExpectUpright(const RgbImage& image, Mark mark, const std::string& strWhat) {
    const int w = image.nWidth, h = image.nHeight;
    EXPECT_EQ(ColourAt(image, w / 8, h / 8), mark) << strWhat << " top left";
    EXPECT_EQ(ColourAt(image, w - 1 - w / 8, h / 8), Mark::White) << strWhat << " top right";
    EXPECT_EQ(ColourAt(image, w / 8, h - 1 - h / 8), Mark::White) << strWhat << " bottom left";
    EXPECT_EQ(ColourAt(image, w - 1 - w / 8, h - 1 - h / 8), Mark::White) << strWhat << " bottom right";
}

class CameraPicture : public ::testing::Test {
protected:
    void SetUp() override {
        const char* pszFolder = std::getenv("TESSALINE_CAMERA_FOLDER");
        if (!pszFolder) GTEST_SKIP() << "run by run-camera-test.sh";
        m_strFolder = pszFolder;
        std::ifstream in(m_strFolder + "\\manifest.txt");
        CameraFile f;
        while (in >> f.strName >> f.bEmbeddedThumb) m_files.push_back(f);
        ASSERT_EQ(m_files.size(), 16u);
    }
    std::string PathOf(const CameraFile& f) const { return m_strFolder + "\\" + f.strName; }

    CTestApartment m_apartment;
    std::string m_strFolder;
    std::vector<CameraFile> m_files;
};

TEST_F(CameraPicture, ThumbnailIsUprightAndFromTheEmbeddedOneWhenThereIsOne) {
    std::vector<std::string> arrPaths;
    for (const CameraFile& f : m_files) arrPaths.push_back(PathOf(f));
    std::vector<CThumbResult> results;
    ASSERT_TRUE(ProduceThumbnails(arrPaths, 60000, results));
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        const CameraFile& f = m_files[i];
        ASSERT_TRUE(results[i].pThumb) << f.strName;
        // The upright picture's aspect, whichever way it is stored.
        EXPECT_EQ(results[i].sizeThumb.cx, 100) << f.strName;
        EXPECT_EQ(results[i].sizeThumb.cy, 75) << f.strName;
        const RgbImage shown = RenderPicture(results[i].pThumb.Get(), 100, 75);
        ExpectUpright(shown, f.bEmbeddedThumb ? Mark::Green : Mark::Red, f.strName);
    }
}

TEST_F(CameraPicture, ThumbnailOfAWidePictureIsItsLetterboxedThumbnailsCentre) {
    const std::vector<std::string> arrNames{"wide1.jpg", "wide6.jpg"};
    std::vector<std::string> arrPaths;
    for (const std::string& name : arrNames) arrPaths.push_back(m_strFolder + "\\" + name);
    std::vector<CThumbResult> results;
    ASSERT_TRUE(ProduceThumbnails(arrPaths, 60000, results));
    for (std::size_t i = 0; i < arrNames.size(); ++i) {
        ASSERT_TRUE(results[i].pThumb) << arrNames[i];
        // 16:9 in the 100 × 100 box.
        EXPECT_EQ(results[i].sizeThumb.cx, 100) << arrNames[i];
        EXPECT_EQ(results[i].sizeThumb.cy, 56) << arrNames[i];
        const RgbImage shown = RenderPicture(results[i].pThumb.Get(), 100, 56);
        ExpectUpright(shown, Mark::Green, arrNames[i]);
        // Bars left in would fill the top and bottom 7 rows.
        EXPECT_EQ(ColourAt(shown, 12, 2), Mark::Green) << arrNames[i] << " top edge";
        EXPECT_EQ(ColourAt(shown, 87, 53), Mark::White) << arrNames[i] << " bottom edge";
    }
}

// An editor cropped the 4:3 picture square and kept the camera's thumbnail, which still
// shows the whole 4:3 picture: the grid decodes the picture instead.
TEST_F(CameraPicture, ThumbnailOfACroppedPictureIsNotTheOldEmbeddedOne) {
    std::vector<CThumbResult> results;
    ASSERT_TRUE(ProduceThumbnails({m_strFolder + "\\cropped.jpg"}, 60000, results));
    ASSERT_TRUE(results[0].pThumb);
    EXPECT_EQ(results[0].sizeThumb.cx, 100);
    EXPECT_EQ(results[0].sizeThumb.cy, 100);
    ExpectUpright(RenderPicture(results[0].pThumb.Get(), 100, 100), Mark::Red, "cropped.jpg");
}

TEST_F(CameraPicture, CopyIsUprightWithinTheLimitsAndTheOwnFileStaysAsItIs) {
    CreateDirectoryA((m_strFolder + "\\out").c_str(), nullptr);
    for (const CameraFile& f : m_files) {
        const std::string strPath = PathOf(f);
        // Limits of 200 × 200 on the upright 400 × 300 give 200 × 150; on the stored
        // 300 × 400 of a sideways picture they would give 150 × 200.
        const CPreparedUpload copy = PreparePicture(strPath, PictureType::Jpeg, 200, 200);
        ASSERT_TRUE(copy.bWritten) << f.strName;
        const auto frame = ReadJpegFrame(copy.strUploadPath);
        ASSERT_TRUE(frame) << f.strName;
        EXPECT_EQ(frame->nWidth, 200) << f.strName;
        EXPECT_EQ(frame->nHeight, 150) << f.strName;
        const auto pixels = DecodeWithDjpeg(copy.strUploadPath);
        ASSERT_TRUE(pixels) << f.strName;
        ExpectUpright(*pixels, Mark::Red, f.strName + " copy");
        EXPECT_TRUE(CopyFileA(copy.strUploadPath.c_str(), (m_strFolder + "\\out\\" + f.strName).c_str(), FALSE));

        const CPreparedUpload own = PreparePicture(strPath, PictureType::Jpeg, kWidth + 1, kWidth + 1);
        EXPECT_TRUE(own.bKeptAsIs) << f.strName;
        EXPECT_EQ(own.strUploadPath, strPath) << f.strName;
    }
}

}  // namespace
