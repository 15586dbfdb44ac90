// Thumbnails of a real folder made by ImageMagick (run-folder-test.sh): the folder's path
// comes in TESSALINE_PICTURE_FOLDER, its pictures and what to expect of each in
// manifest.txt, ImageMagick's own reductions of them in ref\.
#include "imaging/thumbnail_producer.h"

#include <gtest/gtest.h>

#include "framework/text.h"
#include "imaging/fit_picture.h"
#include "imaging/picture_size.h"
#include "imaging_test_support.h"
#include "test_support.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

struct ManifestEntry {
    std::string strName;  // in the ANSI code page, as the panel lists it
    int nWidth = 0, nHeight = 0;
    int nThumb = 0;  // 1 a thumbnail, 0 none, -1 either
};

// The manifest is UTF-8, written on the Linux side; Wine shows the same names to ANSI
// calls in the code page of the locale (936 here).
std::string Utf8ToAnsi(const std::string& s) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return WideToAnsi(w.data(), w.size());
}

std::vector<ManifestEntry> ReadManifest(const std::string& strFolder) {
    std::vector<ManifestEntry> entries;
    std::ifstream in(strFolder + "\\manifest.txt");
    std::string strLine;
    while (std::getline(in, strLine)) {
        std::istringstream line(strLine);
        ManifestEntry e;
        if (line >> e.strName >> e.nWidth >> e.nHeight >> e.nThumb) {
            e.strName = Utf8ToAnsi(e.strName);
            entries.push_back(e);
        }
    }
    return entries;
}

std::string Stem(const std::string& strName) { return strName.substr(0, strName.rfind('.')); }

TEST(RealFolder, ThumbnailsFitTheBoxKeepTheAspectAndShowThePicture) {
    const char* pszFolder = std::getenv("TESSALINE_PICTURE_FOLDER");
    if (!pszFolder) GTEST_SKIP() << "run by run-folder-test.sh";
    const std::string strFolder = pszFolder;
    const std::vector<ManifestEntry> entries = ReadManifest(strFolder);
    ASSERT_GE(entries.size(), 10u);

    CTestApartment apartment;
    const std::vector<std::string> arrTempBefore = ControlTempFiles();
    std::vector<std::string> arrPaths;
    for (const ManifestEntry& e : entries) arrPaths.push_back(strFolder + "\\" + e.strName);
    CThumbnailProducer producer;
    ASSERT_TRUE(producer.Start(PictureNames(arrPaths), nullptr));
    std::vector<CThumbResult> results(entries.size());
    std::size_t nDone = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            nDone += producer.TakeResults([&](std::size_t i, CThumbResult& r) { results[i] = std::move(r); });
            return nDone == entries.size();
        },
        120000));

    HDC hdc = GetDC(nullptr);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const ManifestEntry& e = entries[i];
        const CThumbResult& r = results[i];
        if (e.nThumb == 0) {
            EXPECT_FALSE(r.pThumb) << e.strName;
            continue;
        }
        if (e.nThumb == 1) {
            EXPECT_TRUE(r.pThumb) << e.strName;
        }
        if (!r.pThumb) continue;
        // Within 100 × 100, the long side the box's, the short one the picture's ratio of it.
        PixelRect rc{0, 0, 100, 100};
        FitPictureRect(rc, e.nWidth, e.nHeight);
        const SIZE size = PictureSizeInPixels(r.pThumb.Get(), hdc);
        EXPECT_EQ(size.cx, rc.Width()) << e.strName;
        EXPECT_EQ(size.cy, rc.Height()) << e.strName;
        EXPECT_EQ(r.sizeThumb.cx, size.cx) << e.strName;
        EXPECT_EQ(r.sizeThumb.cy, size.cy) << e.strName;
        EXPECT_EQ(std::max(size.cx, size.cy), 100) << e.strName;
        const double dAspect = static_cast<double>(e.nWidth) / e.nHeight;
        const double dThumbAspect = static_cast<double>(size.cx) / size.cy;
        // Cutting the short side to whole pixels moves the ratio by at most one pixel's worth.
        EXPECT_NEAR(dThumbAspect / dAspect, 1.0, 1.5 / std::min(size.cx, size.cy)) << e.strName;

        // Against ImageMagick's own reduction to the same size: different filters and two
        // quality-90 round trips stay above 25 dB on these pictures; a thumbnail upside
        // down, mirrored or in swapped colours scores below 16.
        const auto ref = ReadPpm(strFolder + "\\ref\\" + Stem(e.strName) + ".ppm");
        if (ref && ref->nWidth == size.cx && ref->nHeight == size.cy) {
            const RgbImage shown = RenderPicture(r.pThumb.Get(), size.cx, size.cy);
            EXPECT_GE(Psnr(shown, *ref), 25.0) << e.strName;
        }
    }
    ReleaseDC(nullptr, hdc);
    EXPECT_TRUE(producer.Stop());
    EXPECT_TRUE(PumpUntil([] { return CThumbnailProducer::GetRunningCount() == 0; }, 5000));
    EXPECT_EQ(ControlTempFiles(), arrTempBefore);
}

}  // namespace
