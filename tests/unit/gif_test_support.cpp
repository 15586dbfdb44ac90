#include "gif_test_support.h"

#include "imaging/gif_colour_key.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <utility>

namespace gif_test {

namespace {

struct CMemoryInput {
    std::span<const uint8_t> bytes;
    size_t nPos = 0;
};

int ReadFromMemory(GifFileType* pGif, GifByteType* pOut, int nWanted) {
    auto* pIn = static_cast<CMemoryInput*>(pGif->UserData);
    const size_t nLeft = pIn->bytes.size() - pIn->nPos;
    const size_t n = nWanted < 0 ? 0 : std::min(nLeft, static_cast<size_t>(nWanted));
    std::copy_n(pIn->bytes.begin() + pIn->nPos, n, pOut);
    pIn->nPos += n;
    return static_cast<int>(n);
}

// The reference's colours as a transparent frame of ours carries them: moved away from
// the transparent colour where they come close to it.
std::array<uint32_t, 256> KeyedColours(const CRefFrame& ref) {
    CGifFrame frame;
    std::copy_n(ref.arrColors.begin(), std::min<size_t>(ref.arrColors.size(), 256), frame.m_arrColors.begin());
    frame.m_bTransparent = ref.nTransparent != NO_TRANSPARENT_COLOR;
    frame.m_nTransparentIndex = static_cast<uint8_t>(frame.m_bTransparent ? ref.nTransparent : 0);
    frame.m_crTransparent = frame.m_arrColors[frame.m_nTransparentIndex];
    return MakeColourKeyPalette(frame);
}

std::vector<uint32_t> ToColors(const ColorMapObject* pMap) {
    std::vector<uint32_t> arr;
    if (pMap)
        for (int i = 0; i < pMap->ColorCount; ++i)
            arr.push_back((uint32_t{pMap->Colors[i].Red} << 16) | (uint32_t{pMap->Colors[i].Green} << 8) |
                          pMap->Colors[i].Blue);
    return arr;
}

}  // namespace

CScratchDir::CScratchDir() {
    std::string strTemplate = (std::filesystem::temp_directory_path() / "tessaline-gif-XXXXXX").string();
    if (mkdtemp(strTemplate.data())) m_path = strTemplate;
}

CScratchDir::~CScratchDir() {
    std::error_code ec;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
}

bool RunConvert(const std::string& strArgs, const std::string& strOutput) {
    const std::string strCommand = "/usr/bin/convert " + strArgs + " '" + strOutput + "' 2>/dev/null";
    return std::system(strCommand.c_str()) == 0;
}

std::vector<uint8_t> ReadFileBytes(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool GiflibDecode(std::span<const uint8_t> bytes, CRefImage& image) {
    CMemoryInput input{bytes};
    int nError = 0;
    GifFileType* pGif = DGifOpen(&input, ReadFromMemory, &nError);
    if (!pGif) return false;
    const bool bOk = DGifSlurp(pGif) == GIF_OK;
    if (bOk) {
        image.nWidth = pGif->SWidth;
        image.nHeight = pGif->SHeight;
        for (int i = 0; i < pGif->ImageCount; ++i) {
            const SavedImage& saved = pGif->SavedImages[i];
            CRefFrame frame;
            frame.nLeft = saved.ImageDesc.Left;
            frame.nTop = saved.ImageDesc.Top;
            frame.nWidth = saved.ImageDesc.Width;
            frame.nHeight = saved.ImageDesc.Height;
            frame.bInterlaced = saved.ImageDesc.Interlace;
            frame.bLocalColors = saved.ImageDesc.ColorMap != nullptr;
            frame.arrColors = ToColors(saved.ImageDesc.ColorMap ? saved.ImageDesc.ColorMap : pGif->SColorMap);
            GraphicsControlBlock gcb{};
            if (DGifSavedExtensionToGCB(pGif, i, &gcb) == GIF_OK) {
                frame.nDisposalMode = gcb.DisposalMode;
                frame.nDelay = gcb.DelayTime;
                frame.nTransparent = gcb.TransparentColor;
            }
            const size_t n = static_cast<size_t>(frame.nWidth) * frame.nHeight;
            frame.arrPixels.assign(saved.RasterBits, saved.RasterBits + n);
            image.arrFrames.push_back(std::move(frame));
        }
    }
    DGifCloseFile(pGif, &nError);
    return bOk;
}

bool HasPixels(GifError result) {
    return result == GifError::None || result == GifError::ShortData || result == GifError::BadCode;
}

COurImage OurDecode(std::span<const uint8_t> bytes, size_t nMaxPixelBytes, size_t nMaxCalls) {
    COurImage image;
    CGifDecoder decoder(nMaxPixelBytes);
    image.openResult = decoder.Open(bytes);
    if (image.openResult != GifError::None) return image;
    image.nWidth = decoder.Width();
    image.nHeight = decoder.Height();
    CGifFrame frame;
    for (size_t i = 0; i < nMaxCalls; ++i) {
        const GifError result = decoder.DecodeNextFrame(frame);
        if (result == GifError::End) {
            image.bReachedEnd = true;
            break;
        }
        image.arrResults.push_back(result);
        if (HasPixels(result)) image.arrFrames.push_back(frame);
    }
    return image;
}

std::vector<uint8_t> Unpadded(const CGifFrame& frame) {
    std::vector<uint8_t> arr;
    arr.reserve(static_cast<size_t>(frame.m_nWidth) * frame.m_nHeight);
    for (int y = 0; y < frame.m_nHeight; ++y) {
        const std::span<const uint8_t> row = frame.Row(y);
        arr.insert(arr.end(), row.begin(), row.end());
    }
    return arr;
}

void ExpectSameAsGiflib(std::span<const uint8_t> bytes, size_t nMaxPixelBytes) {
    CRefImage ref;
    ASSERT_TRUE(GiflibDecode(bytes, ref)) << "giflib refused the reference file";
    const COurImage ours = OurDecode(bytes, nMaxPixelBytes);
    ASSERT_EQ(ours.openResult, GifError::None);
    EXPECT_EQ(ours.nWidth, ref.nWidth);
    EXPECT_EQ(ours.nHeight, ref.nHeight);
    EXPECT_TRUE(ours.bReachedEnd);
    ASSERT_EQ(ours.arrResults.size(), ref.arrFrames.size());
    for (size_t i = 0; i < ref.arrFrames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(i));
        ASSERT_EQ(ours.arrResults[i], GifError::None) << GifErrorName(ours.arrResults[i]);
        const CGifFrame& frame = ours.arrFrames[i];
        const CRefFrame& want = ref.arrFrames[i];
        EXPECT_EQ(frame.m_nLeft, want.nLeft);
        EXPECT_EQ(frame.m_nTop, want.nTop);
        ASSERT_EQ(frame.m_nWidth, want.nWidth);
        ASSERT_EQ(frame.m_nHeight, want.nHeight);
        EXPECT_EQ(frame.m_nStride % 4, 0);
        EXPECT_EQ(frame.m_nPixelBytes, static_cast<size_t>(frame.m_nStride) * frame.m_nHeight);
        EXPECT_EQ(frame.m_bInterlaced, want.bInterlaced);
        EXPECT_EQ(frame.m_bLocalColors, want.bLocalColors);
        ASSERT_EQ(static_cast<size_t>(frame.m_nColors), want.arrColors.size());
        const std::array<uint32_t, 256> arrWantColors = KeyedColours(want);
        for (size_t c = 0; c < want.arrColors.size(); ++c)
            ASSERT_EQ(frame.m_arrColors[c], arrWantColors[c]) << "colour " << c;
        EXPECT_EQ(frame.m_nDisposal >> 2, want.nDisposalMode);
        EXPECT_EQ(frame.m_nDelay, want.nDelay);
        EXPECT_EQ(frame.m_bTransparent, want.nTransparent != NO_TRANSPARENT_COLOR);
        if (want.nTransparent != NO_TRANSPARENT_COLOR) EXPECT_EQ(frame.m_nTransparentIndex, want.nTransparent);
        EXPECT_TRUE(frame.IsComplete());
        ASSERT_TRUE(Unpadded(frame) == want.arrPixels) << "pixels differ";
    }
}

uint32_t CTestRandom::Next() {
    m_nState ^= m_nState << 13;
    m_nState ^= m_nState >> 17;
    m_nState ^= m_nState << 5;
    return m_nState;
}

std::vector<uint8_t> CTestRandom::Pixels(size_t nCount, uint32_t nColors) {
    std::vector<uint8_t> arr(nCount);
    for (uint8_t& n : arr) n = static_cast<uint8_t>(Next() % nColors);
    return arr;
}

std::vector<uint32_t> CTestRandom::Colors(size_t nCount) {
    std::vector<uint32_t> arr(nCount);
    for (uint32_t& cr : arr) cr = Next() & 0xFFFFFF;
    return arr;
}

}  // namespace gif_test
