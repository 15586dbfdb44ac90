#include "imaging/gif_lzw.h"

#include <bit>
#include <cstring>

namespace {

constexpr uint32_t kNoCode = 0xFFFFFFFF;

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

// Least-significant-bit-first reader over the joined image data.
class CCodeBits {
public:
    explicit CCodeBits(std::span<const uint8_t> arrCode) : m_pData(arrCode.data()), m_nSize(arrCode.size()) {}

    // Tops the buffer up to at least 57 bits, or to what is left.
    void Refill() {
        if (m_nPos + 8 <= m_nSize) {
            uint64_t v;
            std::memcpy(&v, m_pData + m_nPos, 8);
            if constexpr (std::endian::native == std::endian::big)
                v = __builtin_bswap64(v);
            // Bits above the counted ones are those of the next bytes, so ORing them in
            // again at the next refill changes nothing.
            m_nBuffer |= v << m_nBits;
            const unsigned nBytes = (63 - m_nBits) >> 3;
            m_nPos += nBytes;
            m_nBits += nBytes * 8;
        } else {
            while (m_nBits <= 56 && m_nPos < m_nSize) {
                m_nBuffer |= static_cast<uint64_t>(m_pData[m_nPos++]) << m_nBits;
                m_nBits += 8;
            }
        }
    }

    // False when fewer than nSize bits are left.
    bool Read(unsigned nSize, uint32_t nMask, uint32_t& nCode) {
        if (m_nBits < nSize) {
            Refill();
            if (m_nBits < nSize)
                return false;
        }
        nCode = static_cast<uint32_t>(m_nBuffer) & nMask;
        m_nBuffer >>= nSize;
        m_nBits -= nSize;
        return true;
    }

private:
    const uint8_t* m_pData;
    size_t m_nSize;
    size_t m_nPos = 0;
    uint64_t m_nBuffer = 0;
    unsigned m_nBits = 0;
};

}  // namespace

GifError CGifLzwDecoder::Decode(int nMinCodeSize, std::span<const uint8_t> arrCode, std::span<uint8_t> arrOut,
                                size_t nPixels, size_t& nWritten) {
    nWritten = 0;
    if (nMinCodeSize < 2 || nMinCodeSize > 8)
        return GifError::BadCodeSize;
    if (arrOut.size() < nPixels || arrOut.size() - nPixels < kOutputSlack)
        return GifError::TooLarge;

    const uint32_t nClear = 1u << nMinCodeSize;
    const uint32_t nEnd = nClear + 1;
    const uint32_t nFirstFree = nClear + 2;
    for (uint32_t i = 0; i < nClear; ++i)
        m_arrTable[i] = Entry{0, 1};

    unsigned nCodeSize = nMinCodeSize + 1;
    uint32_t nMask = (1u << nCodeSize) - 1;
    uint32_t nNextFree = nFirstFree;
    uint32_t nPrev = kNoCode;
    size_t nPrevPos = 0;
    uint8_t* const pOut = arrOut.data();
    size_t nPos = 0;
    CCodeBits bits(arrCode);
    GifError result = GifError::None;

    // Adds "previous string + first pixel of what follows it", which sits at nPrevPos.
    // Once the table is full it stays so: no entry is added until a clear code comes.
    auto addEntry = [&] {
        if (nNextFree < kGifTableSize) {
            m_arrTable[nNextFree] = Entry{static_cast<uint32_t>(nPrevPos), m_arrTable[nPrev].nLength + 1};
            if (++nNextFree == (1u << nCodeSize) && nCodeSize < kGifMaxCodeBits) {
                ++nCodeSize;
                nMask = (1u << nCodeSize) - 1;
            }
        }
    };

    while (nPos < nPixels) {
        uint32_t nCode;
        if (!bits.Read(nCodeSize, nMask, nCode)) {
            result = GifError::ShortData;
            break;
        }
        if (nCode < nClear) {
            if (nPrev != kNoCode)
                addEntry();
            pOut[nPos] = static_cast<uint8_t>(nCode);
            nPrev = nCode;
            nPrevPos = nPos++;
            continue;
        }
        if (nCode == nClear) {
            nCodeSize = nMinCodeSize + 1;
            nMask = (1u << nCodeSize) - 1;
            nNextFree = nFirstFree;
            nPrev = kNoCode;
            continue;
        }
        if (nCode == nEnd) {
            result = GifError::ShortData;
            break;
        }
        if (nPrev == kNoCode) {
            result = GifError::BadCode;
            break;
        }
        const size_t nRoom = nPixels - nPos;
        size_t nLength;
        if (nCode < nNextFree) {
            const Entry entry = m_arrTable[nCode];
            addEntry();
            nLength = entry.nLength < nRoom ? entry.nLength : nRoom;
            CopyString(pOut + nPos, pOut + entry.nOffset, nLength);
        } else if (nCode == nNextFree) {
            // The code being defined right now: previous string plus its own first pixel.
            addEntry();
            const size_t nPrevLength = m_arrTable[nPrev].nLength;
            nLength = nPrevLength + 1 < nRoom ? nPrevLength + 1 : nRoom;
            CopyString(pOut + nPos, pOut + nPrevPos, nPrevLength < nLength ? nPrevLength : nLength);
            if (nPrevLength < nLength)
                pOut[nPos + nPrevLength] = pOut[nPrevPos];
        } else {
            result = GifError::BadCode;
            break;
        }
        nPrev = nCode;
        nPrevPos = nPos;
        nPos += nLength;
    }
    nWritten = nPos;
    return result;
}
