#include "imaging/gif_decoder.h"

#include <algorithm>
#include <cstring>

#include "imaging/gif_colour_key.h"
#include "imaging/gif_reader.h"

namespace {

constexpr uint8_t kImageDescriptor = 0x2C;
constexpr uint8_t kExtension = 0x21;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kGraphicControl = 0xF9;
constexpr size_t kHeaderSize = 13;

// Colour-table size field: 2^(bits + 1) entries.
int TableEntries(uint8_t nPacked) { return 1 << ((nPacked & 7) + 1); }

// A table as read (red, green, blue) into 0x00RRGGBB entries; the rest stay black.
void ReadColors(std::span<const uint8_t> arrRgb, std::array<uint32_t, 256>& arrColors) {
    arrColors.fill(0);
    for (size_t i = 0; i < arrRgb.size() / 3; ++i)
        arrColors[i] = (uint32_t{arrRgb[3 * i]} << 16) | (uint32_t{arrRgb[3 * i + 1]} << 8) | arrRgb[3 * i + 2];
}

}  // namespace

GifError CGifDecoder::Open(std::span<const uint8_t> arrFile) {
    m_bOpen = false;
    m_arrData.clear();
    m_nWidth = m_nHeight = m_nGlobalColors = 0;
    m_arrGlobalColors.fill(0);
    Rewind();

    static constexpr uint8_t kSignature[] = {'G', 'I', 'F', '8'};
    if (arrFile.size() < kHeaderSize || !std::equal(std::begin(kSignature), std::end(kSignature), arrFile.begin()) ||
        (arrFile[4] != '7' && arrFile[4] != '9') || arrFile[5] != 'a')
        return GifError::NotGif;
    m_nWidth = arrFile[6] | (arrFile[7] << 8);
    m_nHeight = arrFile[8] | (arrFile[9] << 8);

    CGifReader reader(arrFile, kHeaderSize);
    const uint8_t nPacked = arrFile[10];
    if (nPacked & 0x80) {
        m_nGlobalColors = TableEntries(nPacked);
        const std::span<const uint8_t> arrRgb = reader.Take(3 * static_cast<size_t>(m_nGlobalColors));
        if (arrRgb.empty()) {
            m_nGlobalColors = 0;
            return GifError::Truncated;
        }
        ReadColors(arrRgb, m_arrGlobalColors);
    }
    if (reader.Remaining() == 0) return GifError::Truncated;
    m_arrData.assign(arrFile.begin() + reader.Position(), arrFile.end());
    m_bOpen = true;
    return GifError::None;
}

void CGifDecoder::Rewind() {
    m_nPos = 0;
    m_bControlPending = false;
}

GifError CGifDecoder::DecodeNextFrame(CGifFrame& frame) {
    CGifReader reader(m_arrData, m_nPos);
    for (;;) {
        uint8_t nIntroducer = 0;
        if (!reader.ReadByte(nIntroducer)) {
            m_nPos = reader.Position();
            return GifError::End;
        }
        switch (nIntroducer) {
        case kImageDescriptor: {
            const GifError result = DecodeImage(reader, frame);
            m_bControlPending = false;
            m_nPos = reader.Position();
            return result;
        }
        case kExtension: {
            const GifError result = ReadExtension(reader);
            if (result != GifError::None) {
                m_nPos = reader.Position();
                return result;
            }
            break;
        }
        case kTrailer:
            // Whatever follows the trailer is not part of the picture.
            m_nPos = m_arrData.size();
            return GifError::End;
        case 0x00:
            // Stray zeros between blocks (an extra terminator) are harmless.
            break;
        default: m_nPos = reader.Position(); return GifError::UnknownBlock;
        }
    }
}

GifError CGifDecoder::ReadExtension(CGifReader& reader) {
    uint8_t nLabel = 0;
    if (!reader.ReadByte(nLabel)) return GifError::Truncated;
    if (nLabel == kGraphicControl) {
        // Its fields sit in the first sub-block (normally of 4 bytes); a shorter one is
        // ignored, extra sub-blocks are skipped with the rest.
        uint8_t nSize = 0;
        if (!reader.ReadByte(nSize)) return GifError::Truncated;
        const std::span<const uint8_t> b = reader.Take(nSize);
        if (nSize != 0 && b.empty()) return GifError::Truncated;
        if (nSize == 0) return GifError::None;  // that was the terminator
        if (nSize >= 4) {
            m_bControlPending = true;
            m_nDisposal = b[0] & 0x1C;
            m_bTransparent = (b[0] & 0x01) != 0;
            m_nDelay = b[1] | (b[2] << 8);
            m_nTransparentIndex = b[3];
        }
    }
    // Plain text, comment, application (the loop count is not obeyed: a player loops
    // anyway) and unknown labels alike are sub-blocks to walk past.
    return reader.SkipSubBlocks() ? GifError::None : GifError::Truncated;
}

GifError CGifDecoder::DecodeImage(CGifReader& reader, CGifFrame& frame) {
    frame.m_nPixelBytes = 0;
    frame.m_nDecodedPixels = 0;
    frame.m_arrPixels.clear();

    const std::span<const uint8_t> d = reader.Take(9);
    if (d.empty()) return GifError::Truncated;
    frame.m_nLeft = d[0] | (d[1] << 8);
    frame.m_nTop = d[2] | (d[3] << 8);
    frame.m_nWidth = d[4] | (d[5] << 8);
    frame.m_nHeight = d[6] | (d[7] << 8);
    const uint8_t nPacked = d[8];
    frame.m_bInterlaced = (nPacked & 0x40) != 0;
    frame.m_nStride = frame.m_nWidth == 0 ? 0 : ((frame.m_nWidth - 1) | 3) + 1;

    frame.m_bLocalColors = (nPacked & 0x80) != 0;
    if (frame.m_bLocalColors) {
        frame.m_nColors = TableEntries(nPacked);
        const std::span<const uint8_t> arrRgb = reader.Take(3 * static_cast<size_t>(frame.m_nColors));
        if (arrRgb.empty()) return GifError::Truncated;
        ReadColors(arrRgb, frame.m_arrColors);
    } else {
        frame.m_nColors = m_nGlobalColors;
        frame.m_arrColors = m_arrGlobalColors;
    }

    frame.m_nDisposal = m_bControlPending ? m_nDisposal : kGifDisposeNone;
    frame.m_bTransparent = m_bControlPending && m_bTransparent;
    frame.m_nTransparentIndex = m_bControlPending ? m_nTransparentIndex : 0;
    frame.m_nDelay = m_bControlPending ? m_nDelay : 0;
    // An index past the table is still transparent; it just has no colour of its own.
    frame.m_crTransparent = frame.m_arrColors[frame.m_nTransparentIndex];
    frame.m_arrColors = MakeColourKeyPalette(frame);

    uint8_t nMinCodeSize = 0;
    if (!reader.ReadByte(nMinCodeSize)) return GifError::Truncated;

    // Refused frames are walked past, so that the frames after them still play.
    const size_t nPixelBytes = static_cast<size_t>(frame.m_nStride) * frame.m_nHeight;
    if (nPixelBytes > m_nMaxPixelBytes) {
        reader.SkipSubBlocks();
        return GifError::TooLarge;
    }
    if (nMinCodeSize < 2 || nMinCodeSize > 8) {
        reader.SkipSubBlocks();
        return GifError::BadCodeSize;
    }

    m_arrCode.clear();
    // A missing terminator only matters if the frame comes out short, and then the
    // decoder says so.
    reader.AppendSubBlocks(m_arrCode);
    m_arrCode.resize(m_arrCode.size() + CGifLzwDecoder::kInputSlack);

    const size_t nPixels = static_cast<size_t>(frame.m_nWidth) * frame.m_nHeight;
    const size_t nLinear = CGifLzwDecoder::kOutputPrefix + nPixels + CGifLzwDecoder::kOutputSlack;
    if (m_arrLinear.size() < nLinear) m_arrLinear.resize(nLinear);
    size_t nDecoded = 0;
    GifError result = GifError::None;
    if (nPixels != 0) result = m_lzw.Decode(nMinCodeSize, m_arrCode, m_arrLinear, nPixels, nDecoded);

    frame.m_nPixelBytes = nPixelBytes;
    StorePixels(frame, nDecoded);
    return result;
}

// Lays the decoded stream out as padded rows, de-interlacing, and fills what the data did
// not reach.
void CGifDecoder::StorePixels(CGifFrame& frame, size_t nDecoded) {
    const size_t nWidth = static_cast<size_t>(frame.m_nWidth);
    const size_t nStride = static_cast<size_t>(frame.m_nStride);
    const int nHeight = frame.m_nHeight;
    const size_t nPixels = nWidth * nHeight;
    frame.m_nDecodedPixels = nDecoded;
    if (nPixels == 0) return;
    uint8_t* const pLinear = m_arrLinear.data() + CGifLzwDecoder::kOutputPrefix;
    const uint8_t nFill = frame.m_bTransparent ? frame.m_nTransparentIndex : 0;
    std::fill(pLinear + nDecoded, pLinear + nPixels, nFill);

    frame.m_arrPixels.resize(frame.m_nPixelBytes);
    uint8_t* const pDst = frame.m_arrPixels.data();
    const uint8_t* pSrc = pLinear;
    auto storeRow = [&](int y) {
        uint8_t* pRow = pDst + static_cast<size_t>(y) * nStride;
        std::memcpy(pRow, pSrc, nWidth);
        std::memset(pRow + nWidth, 0, nStride - nWidth);
        pSrc += nWidth;
    };
    if (!frame.m_bInterlaced) {
        if (nStride == nWidth) {
            std::memcpy(pDst, pSrc, nPixels);
            return;
        }
        for (int y = 0; y < nHeight; ++y) storeRow(y);
        return;
    }
    // Pass 1 every 8th row from 0, pass 2 every 8th from 4, pass 3 every 4th from 2,
    // pass 4 every 2nd from 1; a pass that starts below the frame has no rows.
    static constexpr int kStart[4] = {0, 4, 2, 1};
    static constexpr int kStep[4] = {8, 8, 4, 2};
    for (int nPass = 0; nPass < 4; ++nPass)
        for (int y = kStart[nPass]; y < nHeight; y += kStep[nPass]) storeRow(y);
}
