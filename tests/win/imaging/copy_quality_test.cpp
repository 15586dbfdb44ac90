// Copies for upload against ImageMagick's reduction of the whole picture, made by
// run-copy-quality-test.sh: the folder's path comes in TESSALINE_QUALITY_FOLDER, each
// picture with the size its copy must have in manifest.txt and its reference beside it.
#include "framework/text.h"
#include "imaging/jpeg_writer.h"
#include "imaging/load_picture.h"
#include "imaging/prepare_picture.h"

#include <gtest/gtest.h>

#include "imaging_test_support.h"
#include "test_support.h"

#include <cstdlib>
#include <fstream>

namespace {

constexpr int kLimitX = 800;
constexpr int kLimitY = 600;

// The copy as a halftone stretch on a device context made it: the picture decoded at
// twice the limits where the DCT's scales allow, drawn scaled on white, written at 90.
std::optional<RgbImage> StretchedCopy(const std::string& strPath, PixelSize sizeCopy, const std::string& strOut,
                                      HDC hdc) {
    SIZE sizePicture{};
    CComPtrT<IPicture> picture = LoadPictureForBox(strPath, SIZE{kLimitX, kLimitY}, hdc, nullptr, &sizePicture);
    if (!picture) return std::nullopt;
    CBackBuffer surface(hdc, sizeCopy.cx, sizeCopy.cy);
    const RECT rc{0, 0, sizeCopy.cx, sizeCopy.cy};
    FillRect(surface.Get(), &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RenderWholePicture(surface.Get(), picture.Get(), sizeCopy.cx, sizeCopy.cy);
    const CScopedBitmap bmp = surface.TakeBitmap();
    if (!SaveBitmapAsJpeg(AnsiToWide(strOut).c_str(), bmp.Get(), 90)) return std::nullopt;
    return DecodeWithDjpeg(strOut);
}

class CopyQuality : public CPictureTest {};

TEST_F(CopyQuality, AtLeastAsCloseToAReferenceAsAHalftoneStretch) {
    const char* pszFolder = std::getenv("TESSALINE_QUALITY_FOLDER");
    if (!pszFolder) GTEST_SKIP() << "run by run-copy-quality-test.sh";
    const std::string strFolder = pszFolder;
    std::ifstream in(strFolder + "\\manifest.txt");
    std::string strName;
    PixelSize size;
    int nPictures = 0;
    while (in >> strName >> size.cx >> size.cy) {
        ++nPictures;
        const std::string strPath = strFolder + "\\" + strName;
        const auto reference = ReadPpm(strFolder + "\\" + strName.substr(0, strName.size() - 4) + ".ppm");
        ASSERT_TRUE(reference) << strName;
        const CPreparedUpload upload = PreparePicture(strPath, PictureType::Jpeg, kLimitX, kLimitY);
        ASSERT_TRUE(upload.bWritten) << strName;
        const auto copy = DecodeWithDjpeg(upload.strUploadPath);
        ASSERT_TRUE(copy) << strName;
        ASSERT_EQ(copy->nWidth, size.cx) << strName;
        ASSERT_EQ(copy->nHeight, size.cy) << strName;
        const auto stretched = StretchedCopy(strPath, size, m_folder.File("stretched.jpg"), m_hdc);
        ASSERT_TRUE(stretched) << strName;
        const double dCopy = Psnr(*copy, *reference);
        const double dStretched = Psnr(*stretched, *reference);
        std::printf("%s: copy %.2f dB, halftone stretch %.2f dB against the reference\n", strName.c_str(), dCopy,
                    dStretched);
        EXPECT_GE(dCopy, dStretched) << strName;
    }
    EXPECT_EQ(nPictures, 4);
}

}  // namespace
