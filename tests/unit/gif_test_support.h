// Shared by the GIF tests: a scratch folder, ImageMagick runs, giflib's reading of a file
// as the reference, our decoder's frames, and a small GIF writer with its own LZW encoder
// for the streams that ordinary encoders never make.
#pragma once
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "imaging/gif_decoder.h"
#include "imaging/gif_frame.h"

namespace gif_test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class CScratchDir {
public:
    CScratchDir() {
        std::string strTemplate = (std::filesystem::temp_directory_path() / "tessaline-gif-XXXXXX").string();
        if (mkdtemp(strTemplate.data())) m_path = strTemplate;
    }
    ~CScratchDir() {
        std::error_code ec;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
    }
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;

    bool IsValid() const { return !m_path.empty(); }
    std::string File(const std::string& strName) const { return (m_path / strName).string(); }

private:
    std::filesystem::path m_path;
};

// The real ImageMagick: a stand-in of the same name sits earlier in PATH on this machine.
inline bool RunConvert(const std::string& strArgs, const std::string& strOutput) {
    const std::string strCommand = "/usr/bin/convert " + strArgs + " '" + strOutput + "' 2>/dev/null";
    return std::system(strCommand.c_str()) == 0;
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& strPath) {
    std::ifstream in(strPath, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// One frame as giflib's DGifSlurp sees it: pixels de-interlaced, width × height, unpadded.
struct CRefFrame {
    int nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
    bool bInterlaced = false;
    bool bLocalColors = false;
    std::vector<uint32_t> arrColors;  // 0x00RRGGBB
    int nDisposalMode = 0;            // 0..7
    int nDelay = 0;
    int nTransparent = NO_TRANSPARENT_COLOR;
    std::vector<uint8_t> arrPixels;
};

struct CRefImage {
    int nWidth = 0, nHeight = 0;
    std::vector<CRefFrame> arrFrames;
};

struct CMemoryInput {
    std::span<const uint8_t> bytes;
    size_t nPos = 0;
};

inline int ReadFromMemory(GifFileType* pGif, GifByteType* pOut, int nWanted) {
    auto* pIn = static_cast<CMemoryInput*>(pGif->UserData);
    const size_t nLeft = pIn->bytes.size() - pIn->nPos;
    const size_t n = nWanted < 0 ? 0 : std::min(nLeft, static_cast<size_t>(nWanted));
    std::copy_n(pIn->bytes.begin() + pIn->nPos, n, pOut);
    pIn->nPos += n;
    return static_cast<int>(n);
}

inline std::vector<uint32_t> ToColors(const ColorMapObject* pMap) {
    std::vector<uint32_t> arr;
    if (pMap)
        for (int i = 0; i < pMap->ColorCount; ++i)
            arr.push_back((uint32_t{pMap->Colors[i].Red} << 16) | (uint32_t{pMap->Colors[i].Green} << 8) |
                          pMap->Colors[i].Blue);
    return arr;
}

// False when giflib refuses the file.
inline bool GiflibDecode(std::span<const uint8_t> bytes, CRefImage& image) {
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

// Our decoder over a whole file: every frame up to End (or nMaxCalls), with each call's code.
struct COurImage {
    GifError openResult = GifError::None;
    int nWidth = 0, nHeight = 0;
    std::vector<GifError> arrResults;
    std::vector<CGifFrame> arrFrames;  // one per call that returned a frame (None, ShortData, BadCode)
    bool bReachedEnd = false;
};

inline bool HasPixels(GifError result) {
    return result == GifError::None || result == GifError::ShortData || result == GifError::BadCode;
}

inline COurImage OurDecode(std::span<const uint8_t> bytes, size_t nMaxPixelBytes = kGifMaxPixelBytes,
                           size_t nMaxCalls = 1u << 20) {
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

// Pixels of our frame without the row padding, for comparing with giflib's.
inline std::vector<uint8_t> Unpadded(const CGifFrame& frame) {
    std::vector<uint8_t> arr;
    arr.reserve(static_cast<size_t>(frame.m_nWidth) * frame.m_nHeight);
    for (int y = 0; y < frame.m_nHeight; ++y) {
        const std::span<const uint8_t> row = frame.Row(y);
        arr.insert(arr.end(), row.begin(), row.end());
    }
    return arr;
}

// Every frame, pixel for pixel, and everything giflib tells about it.
inline void ExpectSameAsGiflib(std::span<const uint8_t> bytes, size_t nMaxPixelBytes = kGifMaxPixelBytes) {
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
        for (size_t c = 0; c < want.arrColors.size(); ++c)
            ASSERT_EQ(frame.m_arrColors[c], want.arrColors[c]) << "colour " << c;
        EXPECT_EQ(frame.m_nDisposal >> 2, want.nDisposalMode);
        EXPECT_EQ(frame.m_nDelay, want.nDelay);
        EXPECT_EQ(frame.m_bTransparent, want.nTransparent != NO_TRANSPARENT_COLOR);
        if (want.nTransparent != NO_TRANSPARENT_COLOR) EXPECT_EQ(frame.m_nTransparentIndex, want.nTransparent);
        EXPECT_TRUE(frame.IsComplete());
        ASSERT_TRUE(Unpadded(frame) == want.arrPixels) << "pixels differ";
    }
}

// How the LZW encoder of CGifWriter behaves around its table.
struct CLzwOptions {
    int nMinCodeSize = 8;
    bool bClearFirst = true;     // a clear code opens the stream
    bool bClearWhenFull = true;  // false: keep coding with the full table (a deferred clear)
    bool bEndCode = true;
    size_t nSubBlock = 255;  // payload bytes per data sub-block
};

// Codes packed least-significant bit first, as GIF wants them.
class CBitPacker {
public:
    void Put(uint32_t nCode, int nBits) {
        m_nBuffer |= static_cast<uint64_t>(nCode) << m_nCount;
        m_nCount += nBits;
        while (m_nCount >= 8) {
            m_arrBytes.push_back(static_cast<uint8_t>(m_nBuffer));
            m_nBuffer >>= 8;
            m_nCount -= 8;
        }
    }
    std::vector<uint8_t> Finish() {
        if (m_nCount > 0) m_arrBytes.push_back(static_cast<uint8_t>(m_nBuffer));
        m_nBuffer = 0;
        m_nCount = 0;
        return std::move(m_arrBytes);
    }

private:
    std::vector<uint8_t> m_arrBytes;
    uint64_t m_nBuffer = 0;
    int m_nCount = 0;
};

// A plain LZW encoder. Its code size grows one code later than the decoder's table, as
// the decoder only learns of an entry with the code after it.
inline std::vector<uint8_t> LzwEncode(std::span<const uint8_t> pixels, const CLzwOptions& options) {
    const uint32_t nClear = 1u << options.nMinCodeSize;
    const uint32_t nFirstFree = nClear + 2;
    CBitPacker packer;
    int nSize = options.nMinCodeSize + 1;
    uint32_t nNext = nFirstFree;
    std::map<std::pair<uint32_t, uint8_t>, uint32_t> dictionary;
    auto reset = [&] {
        dictionary.clear();
        nNext = nFirstFree;
        nSize = options.nMinCodeSize + 1;
    };
    auto grow = [&] {
        if (nNext < 4096) {
            ++nNext;
            if (nNext > (1u << nSize) && nSize < 12) ++nSize;
            return true;
        }
        return false;
    };
    if (options.bClearFirst) packer.Put(nClear, nSize);
    if (!pixels.empty()) {
        uint32_t nPrefix = pixels[0];
        for (size_t i = 1; i < pixels.size(); ++i) {
            const uint8_t k = pixels[i];
            const auto it = dictionary.find({nPrefix, k});
            if (it != dictionary.end()) {
                nPrefix = it->second;
                continue;
            }
            packer.Put(nPrefix, nSize);
            const uint32_t nCode = nNext;
            if (grow()) {
                dictionary[{nPrefix, k}] = nCode;
            } else if (options.bClearWhenFull) {
                packer.Put(nClear, nSize);
                reset();
            }
            nPrefix = k;
        }
        packer.Put(nPrefix, nSize);
        grow();
    }
    if (options.bEndCode) packer.Put(nClear + 1, nSize);
    return packer.Finish();
}

// Writes GIF files block by block; no checks, so that it can also write wrong ones.
class CGifWriter {
public:
    // arrGlobalColors: empty for none, else 2, 4, ... 256 entries of 0x00RRGGBB.
    CGifWriter(int nWidth, int nHeight, const std::vector<uint32_t>& arrGlobalColors, const char* pszVersion = "89a") {
        Raw({'G', 'I', 'F'});
        for (int i = 0; i < 3; ++i) m_arrBytes.push_back(static_cast<uint8_t>(pszVersion[i]));
        Word(nWidth);
        Word(nHeight);
        m_arrBytes.push_back(
            arrGlobalColors.empty() ? 0 : static_cast<uint8_t>(0x80 | 0x70 | TableBits(arrGlobalColors.size())));
        m_arrBytes.push_back(0);  // background index
        m_arrBytes.push_back(0);  // aspect
        Colors(arrGlobalColors);
    }

    // nDisposalMethod 0..7; nTransparent < 0 for none.
    void Control(int nDisposalMethod, int nDelay, int nTransparent = -1) {
        Raw({0x21, 0xF9, 4});
        m_arrBytes.push_back(static_cast<uint8_t>((nDisposalMethod << 2) | (nTransparent >= 0 ? 1 : 0)));
        Word(nDelay);
        m_arrBytes.push_back(static_cast<uint8_t>(nTransparent >= 0 ? nTransparent : 0));
        m_arrBytes.push_back(0);
    }

    struct CImage {
        int nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
        std::vector<uint8_t> arrPixels;  // width × height, rows top to bottom
        std::vector<uint32_t> arrLocalColors;
        bool bInterlaced = false;
        CLzwOptions lzw;
    };

    void Image(const CImage& image) {
        Descriptor(image.nLeft, image.nTop, image.nWidth, image.nHeight,
                   (image.arrLocalColors.empty() ? 0 : 0x80 | TableBits(image.arrLocalColors.size())) |
                       (image.bInterlaced ? 0x40 : 0));
        Colors(image.arrLocalColors);
        m_arrBytes.push_back(static_cast<uint8_t>(image.lzw.nMinCodeSize));
        std::vector<uint8_t> arrOrdered = image.arrPixels;
        if (image.bInterlaced) {
            arrOrdered.clear();
            static constexpr int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
            for (int p = 0; p < 4; ++p)
                for (int y = kStart[p]; y < image.nHeight; y += kStep[p])
                    arrOrdered.insert(arrOrdered.end(), image.arrPixels.begin() + y * image.nWidth,
                                      image.arrPixels.begin() + (y + 1) * image.nWidth);
        }
        SubBlocks(LzwEncode(arrOrdered, image.lzw), image.lzw.nSubBlock);
    }

    void Descriptor(int nLeft, int nTop, int nWidth, int nHeight, int nPacked) {
        m_arrBytes.push_back(0x2C);
        Word(nLeft);
        Word(nTop);
        Word(nWidth);
        Word(nHeight);
        m_arrBytes.push_back(static_cast<uint8_t>(nPacked));
    }

    void SubBlocks(const std::vector<uint8_t>& arrData, size_t nSubBlock = 255, bool bTerminate = true) {
        for (size_t i = 0; i < arrData.size(); i += nSubBlock) {
            const size_t n = std::min(nSubBlock, arrData.size() - i);
            m_arrBytes.push_back(static_cast<uint8_t>(n));
            m_arrBytes.insert(m_arrBytes.end(), arrData.begin() + i, arrData.begin() + i + n);
        }
        if (bTerminate) m_arrBytes.push_back(0);
    }

    void Raw(std::initializer_list<uint8_t> bytes) { m_arrBytes.insert(m_arrBytes.end(), bytes); }
    void Raw(const std::vector<uint8_t>& bytes) { m_arrBytes.insert(m_arrBytes.end(), bytes.begin(), bytes.end()); }
    void Word(int n) {
        m_arrBytes.push_back(static_cast<uint8_t>(n));
        m_arrBytes.push_back(static_cast<uint8_t>(n >> 8));
    }
    void Trailer() { m_arrBytes.push_back(0x3B); }

    const std::vector<uint8_t>& Bytes() const { return m_arrBytes; }

private:
    static int TableBits(size_t nEntries) {
        int nBits = 0;
        while ((2u << nBits) < nEntries) ++nBits;
        return nBits;
    }
    void Colors(const std::vector<uint32_t>& arrColors) {
        for (uint32_t cr : arrColors)
            Raw({static_cast<uint8_t>(cr >> 16), static_cast<uint8_t>(cr >> 8), static_cast<uint8_t>(cr)});
    }

    std::vector<uint8_t> m_arrBytes;
};

// Deterministic pseudo-random pixels and colours (tests must not depend on the clock).
class CTestRandom {
public:
    explicit CTestRandom(uint32_t nSeed) : m_nState(nSeed * 2654435761u + 1) {}
    uint32_t Next() {
        m_nState ^= m_nState << 13;
        m_nState ^= m_nState >> 17;
        m_nState ^= m_nState << 5;
        return m_nState;
    }
    std::vector<uint8_t> Pixels(size_t nCount, uint32_t nColors) {
        std::vector<uint8_t> arr(nCount);
        for (uint8_t& n : arr) n = static_cast<uint8_t>(Next() % nColors);
        return arr;
    }
    std::vector<uint32_t> Colors(size_t nCount) {
        std::vector<uint32_t> arr(nCount);
        for (uint32_t& cr : arr) cr = Next() & 0xFFFFFF;
        return arr;
    }

private:
    uint32_t m_nState;
};

}  // namespace gif_test
