#include "imaging/gif_lzw.h"

#include <bit>
#include <cstring>

namespace {

// Copies nCount bytes in 16-byte steps. Safe when pSrc + nCount <= pDst: every source byte
// that matters lies before the destination, so no step reads what an earlier step wrote.
// Writes up to 15 bytes past pDst + nCount.
inline void CopyString(uint8_t* pDst, const uint8_t* pSrc, size_t nCount) {
    uint8_t* const pEnd = pDst + nCount;
    do {
        // Through a local: the 16 bytes read may reach into those being written.
        uint8_t chunk[16];
        std::memcpy(chunk, pSrc, 16);
        std::memcpy(pDst, chunk, 16);
        pDst += 16;
        pSrc += 16;
    } while (pDst < pEnd);
}

inline uint64_t LoadLittleEndian64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap64(v);
    return v;
}

}  // namespace

GifError CGifLzwDecoder::Decode(int nMinCodeSize, std::span<const uint8_t> arrCode, std::span<uint8_t> arrOut,
                                size_t nPixels, size_t& nWritten) {
    nWritten = 0;
    if (nMinCodeSize < 2 || nMinCodeSize > 8) return GifError::BadCodeSize;
    if (arrCode.size() < kInputSlack || arrOut.size() < kOutputPrefix + kOutputSlack ||
        arrOut.size() - kOutputPrefix - kOutputSlack < nPixels)
        return GifError::TooLarge;

    const uint32_t nClear = 1u << nMinCodeSize;
    const uint32_t nEnd = nClear + 1;
    const uint32_t nFirstFree = nClear + 2;
    uint8_t* const pBase = arrOut.data();
    uint8_t* const pPixels = pBase + kOutputPrefix;
    for (uint32_t i = 0; i < kOutputPrefix; ++i) pBase[i] = static_cast<uint8_t>(i);
    for (uint32_t i = 0; i < nClear; ++i) m_arrTable[i] = Entry{i, 1};

    const uint8_t* const pCode = arrCode.data();
    const uint64_t nBitEnd = static_cast<uint64_t>(arrCode.size() - kInputSlack) * 8;
    uint64_t nBitPos = 0;
    unsigned nCodeSize = 0;
    uint32_t nMask = 0;
    uint32_t nNextFree = 0;
    uint32_t nGrowAt = 0;  // nNextFree at which codes get one bit wider
    auto setCodeSize = [&](unsigned nSize) {
        nCodeSize = nSize;
        nMask = (1u << nSize) - 1;
        // At 12 bits the table simply fills up and stays full.
        nGrowAt = nSize < kGifMaxCodeBits ? 1u << nSize : kGifTableSize + 1;
    };
    auto readCode = [&](uint32_t& nCode) {
        if (nBitPos + nCodeSize > nBitEnd) return false;
        nCode = static_cast<uint32_t>(LoadLittleEndian64(pCode + (nBitPos >> 3)) >> (nBitPos & 7)) & nMask;
        nBitPos += nCodeSize;
        return true;
    };

    size_t nPos = 0;
    uint32_t nPrevOffset = 0;  // where the previous code's string was written, in pBase
    uint32_t nPrevLength = 0;

    // After a clear (and at the start): the table is empty and the next code must be a
    // single pixel, which adds no entry.
    auto restart = [&]() -> GifError {
        setCodeSize(nMinCodeSize + 1);
        nNextFree = nFirstFree;
        for (;;) {
            uint32_t nCode;
            if (!readCode(nCode)) return GifError::ShortData;
            if (nCode == nClear) continue;
            if (nCode == nEnd) return GifError::ShortData;
            if (nCode > nEnd) return GifError::BadCode;
            pPixels[nPos] = static_cast<uint8_t>(nCode);
            nPrevOffset = static_cast<uint32_t>(kOutputPrefix + nPos);
            nPrevLength = 1;
            ++nPos;
            return GifError::None;
        }
    };
    // The entry "previous string + first pixel of what follows it", which is where the
    // previous string was written.
    auto addEntry = [&] {
        if (nNextFree < kGifTableSize) {
            m_arrTable[nNextFree] = Entry{nPrevOffset, nPrevLength + 1};
            if (++nNextFree == nGrowAt) setCodeSize(nCodeSize + 1);
        }
    };

    GifError result = nPixels == 0 ? GifError::None : restart();
    while (result == GifError::None && nPos < nPixels) {
        uint32_t nCode;
        if (!readCode(nCode)) {
            result = GifError::ShortData;
            break;
        }
        const size_t nRoom = nPixels - nPos;
        if (nCode < nNextFree && nCode - nClear > 1) [[likely]] {
            const Entry entry = m_arrTable[nCode];
            addEntry();
            CopyString(pPixels + nPos, pBase + entry.nOffset, entry.nLength < nRoom ? entry.nLength : nRoom);
            nPrevOffset = static_cast<uint32_t>(kOutputPrefix + nPos);
            nPrevLength = entry.nLength;
            nPos += entry.nLength < nRoom ? entry.nLength : nRoom;
        } else if (nCode == nClear) {
            result = restart();
        } else if (nCode == nEnd) {
            result = GifError::ShortData;
        } else if (nCode == nNextFree && nNextFree < kGifTableSize) {
            // The code being defined right now: previous string plus its own first pixel.
            addEntry();
            const size_t nCopy = nPrevLength < nRoom ? nPrevLength : nRoom;
            CopyString(pPixels + nPos, pBase + nPrevOffset, nCopy);
            if (nCopy < nRoom) pPixels[nPos + nCopy] = pBase[nPrevOffset];
            nPrevOffset = static_cast<uint32_t>(kOutputPrefix + nPos);
            ++nPrevLength;
            nPos += nPrevLength < nRoom ? nPrevLength : nRoom;
        } else {
            result = GifError::BadCode;
        }
    }
    nWritten = nPos;
    return result;
}
