#include "gif_writer.h"

#include <algorithm>
#include <map>
#include <utility>

namespace gif_test {

namespace {

int TableBits(size_t nEntries) {
    int nBits = 0;
    while ((2u << nBits) < nEntries) ++nBits;
    return nBits;
}

}  // namespace

void CBitPacker::Put(uint32_t nCode, int nBits) {
    m_nBuffer |= static_cast<uint64_t>(nCode) << m_nCount;
    m_nCount += nBits;
    while (m_nCount >= 8) {
        m_arrBytes.push_back(static_cast<uint8_t>(m_nBuffer));
        m_nBuffer >>= 8;
        m_nCount -= 8;
    }
}

std::vector<uint8_t> CBitPacker::Finish() {
    if (m_nCount > 0) m_arrBytes.push_back(static_cast<uint8_t>(m_nBuffer));
    m_nBuffer = 0;
    m_nCount = 0;
    return std::move(m_arrBytes);
}

std::vector<uint8_t> LzwEncode(std::span<const uint8_t> pixels, const CLzwOptions& options) {
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

CGifWriter::CGifWriter(int nWidth, int nHeight, const std::vector<uint32_t>& arrGlobalColors, const char* pszVersion) {
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

void CGifWriter::Control(int nDisposalMethod, int nDelay, int nTransparent) {
    Raw({0x21, 0xF9, 4});
    m_arrBytes.push_back(static_cast<uint8_t>((nDisposalMethod << 2) | (nTransparent >= 0 ? 1 : 0)));
    Word(nDelay);
    m_arrBytes.push_back(static_cast<uint8_t>(nTransparent >= 0 ? nTransparent : 0));
    m_arrBytes.push_back(0);
}

void CGifWriter::Image(const CImage& image) {
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

void CGifWriter::Descriptor(int nLeft, int nTop, int nWidth, int nHeight, int nPacked) {
    m_arrBytes.push_back(0x2C);
    Word(nLeft);
    Word(nTop);
    Word(nWidth);
    Word(nHeight);
    m_arrBytes.push_back(static_cast<uint8_t>(nPacked));
}

void CGifWriter::SubBlocks(const std::vector<uint8_t>& arrData, size_t nSubBlock, bool bTerminate) {
    for (size_t i = 0; i < arrData.size(); i += nSubBlock) {
        const size_t n = std::min(nSubBlock, arrData.size() - i);
        m_arrBytes.push_back(static_cast<uint8_t>(n));
        m_arrBytes.insert(m_arrBytes.end(), arrData.begin() + i, arrData.begin() + i + n);
    }
    if (bTerminate) m_arrBytes.push_back(0);
}

void CGifWriter::Word(int n) {
    m_arrBytes.push_back(static_cast<uint8_t>(n));
    m_arrBytes.push_back(static_cast<uint8_t>(n >> 8));
}

void CGifWriter::Colors(const std::vector<uint32_t>& arrColors) {
    for (uint32_t cr : arrColors)
        Raw({static_cast<uint8_t>(cr >> 16), static_cast<uint8_t>(cr >> 8), static_cast<uint8_t>(cr)});
}

GifFrameSpec SolidFrame(int nWidth, int nHeight, uint8_t nIndex, int nDelay) {
    GifFrameSpec frame;
    frame.nWidth = nWidth;
    frame.nHeight = nHeight;
    frame.nDelay = nDelay;
    frame.arrPixels.assign(static_cast<size_t>(nWidth) * nHeight, nIndex);
    return frame;
}

std::vector<uint8_t> BuildGif(int nWidth, int nHeight, const std::vector<uint32_t>& arrColors,
                              const std::vector<GifFrameSpec>& arrFrames, bool bGif87) {
    std::vector<uint32_t> arrTable = arrColors;
    size_t nEntries = 2;
    while (nEntries < arrTable.size() && nEntries < 256) nEntries *= 2;
    arrTable.resize(nEntries, 0);
    CGifWriter writer(nWidth, nHeight, arrTable, bGif87 ? "87a" : "89a");
    for (const GifFrameSpec& frame : arrFrames) {
        if (frame.bControl) writer.Control(frame.nDisposal & 7, frame.nDelay, frame.nTransparent);
        CGifWriter::CImage image;
        image.nLeft = frame.nLeft;
        image.nTop = frame.nTop;
        image.nWidth = frame.nWidth;
        image.nHeight = frame.nHeight;
        image.arrPixels = frame.arrPixels;
        image.lzw.nMinCodeSize = frame.nMinCodeSize;
        writer.Image(image);
    }
    writer.Trailer();
    return writer.Bytes();
}

}  // namespace gif_test
