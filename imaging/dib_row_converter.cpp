#include "imaging/dib_row_converter.h"

#include <bit>
#include <climits>
#include <cstring>

namespace {

constexpr char kInvalidInput[] = "Invalid input data";
constexpr char kInvalidBitCount[] = "Invalid bitmap bit count";

constexpr std::size_t kInfoHeaderSize = 40;

// DIB fields are little-endian whatever the host.
std::uint32_t ReadU32(const std::uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (std::uint32_t{p[3]} << 24); }
std::uint16_t ReadU16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// A 5-bit colour value widened to 8 bits: 0 stays 0, 31 becomes full 255, and the steps
// between sit at 8 × v + 8.
constexpr std::uint8_t Widen5(unsigned v) { return v == 0 ? 0 : v == 31 ? 255 : static_cast<std::uint8_t>(8 * v + 8); }

constexpr std::uint32_t ByteSwap(std::uint32_t n) { return n << 24 | (n & 0xFF00) << 8 | (n >> 8 & 0xFF00) | n >> 24; }

}  // namespace

CDibRowConverter::CDibRowConverter(std::span<const std::uint8_t> dib) {
    if (!Check(dib)) m_pfnRow = nullptr;
}

bool CDibRowConverter::Check(std::span<const std::uint8_t> dib) {
    m_strError = kInvalidInput;
    if (dib.size() < kInfoHeaderSize) return false;
    const std::uint8_t* p = dib.data();
    const std::uint32_t nHeaderSize = ReadU32(p);
    const auto nWidth = static_cast<std::int32_t>(ReadU32(p + 4));
    const auto nHeight = static_cast<std::int32_t>(ReadU32(p + 8));
    const std::uint16_t nBitCount = ReadU16(p + 14);
    const std::uint32_t nCompression = ReadU32(p + 16);
    if (nHeaderSize < kInfoHeaderSize || nHeaderSize > dib.size()) return false;

    std::size_t nEntries = 0;
    switch (nBitCount) {
    case 1:
        m_pfnRow = &Row1;
        nEntries = 2;
        break;
    case 4:
        m_pfnRow = &Row4;
        nEntries = 16;
        break;
    case 8:
        m_pfnRow = &Row8;
        nEntries = 256;
        break;
    case 16: m_pfnRow = &Row16; break;
    case 24: m_pfnRow = &Row24; break;
    case 32: m_pfnRow = &Row32; break;
    default: m_strError = kInvalidBitCount; return false;
    }
    // Only BI_RGB: bit fields would put masks where the rows are taken to start, and a
    // run-length coded DIB has no fixed stride.
    if (nCompression != 0 || nWidth <= 0 || nHeight == 0 || nHeight == INT32_MIN) return false;

    const std::size_t nTableBytes = 4 * nEntries;
    if (dib.size() - nHeaderSize < nTableBytes) return false;
    const std::size_t nPixelOffset = nHeaderSize + nTableBytes;
    const auto nRows = static_cast<std::size_t>(nHeight < 0 ? -nHeight : nHeight);
    // In 64 bits: a 32-bit size_t (the control's own build) cannot hold every stride.
    const std::uint64_t nStride = (static_cast<std::uint64_t>(nWidth) * nBitCount + 31) / 32 * 4;
    if ((dib.size() - nPixelOffset) / nStride < nRows) return false;

    m_strError.clear();
    m_pRows = p + nPixelOffset;
    m_nStride = static_cast<std::size_t>(nStride);  // at most the buffer's size, as checked
    m_nWidth = nWidth;
    m_nHeight = static_cast<int>(nRows);
    m_nBitCount = nBitCount;
    m_bBottomUp = nHeight > 0;
    BuildTables(p + nHeaderSize);
    return true;
}

void CDibRowConverter::BuildTables(const std::uint8_t* pColourTable) {
    // Table entries are blue, green, red and an unused byte.
    auto entry = [pColourTable](unsigned nIndex, std::uint8_t* pRgb) {
        const std::uint8_t* q = pColourTable + 4 * nIndex;
        pRgb[0] = q[2];
        pRgb[1] = q[1];
        pRgb[2] = q[0];
    };
    switch (m_nBitCount) {
    case 1:
        // Most significant bit first.
        m_arrLut.resize(256 * 8 * 3);
        for (unsigned b = 0; b < 256; ++b)
            for (unsigned k = 0; k < 8; ++k) entry((b >> (7 - k)) & 1, &m_arrLut[(b * 8 + k) * 3]);
        break;
    case 4:
        // High nibble first.
        m_arrLut.resize(256 * 2 * 3);
        for (unsigned b = 0; b < 256; ++b) {
            entry(b >> 4, &m_arrLut[b * 6]);
            entry(b & 15, &m_arrLut[b * 6 + 3]);
        }
        break;
    case 8:
        m_arrLut.resize(256 * 4);
        for (unsigned b = 0; b < 256; ++b) entry(b, &m_arrLut[b * 4]);
        break;
    case 16:
        m_arrLut.resize(32);
        for (unsigned v = 0; v < 32; ++v) m_arrLut[v] = Widen5(v);
        break;
    default: break;
    }
}

const std::uint8_t* CDibRowConverter::GetStoredRow(int nRow) const {
    const std::size_t nStored = m_bBottomUp ? m_nHeight - 1 - nRow : nRow;
    return m_pRows + nStored * m_nStride;
}

void CDibRowConverter::ConvertRow(int nRow, std::uint8_t* pRgb) const { m_pfnRow(*this, GetStoredRow(nRow), pRgb); }

void CDibRowConverter::Row1(const CDibRowConverter& self, const std::uint8_t* pSrc, std::uint8_t* pDst) {
    const std::uint8_t* pLut = self.m_arrLut.data();
    const int nFull = self.m_nWidth / 8;
    for (int i = 0; i < nFull; ++i, pDst += 24) std::memcpy(pDst, pLut + pSrc[i] * 24, 24);
    // The last byte holds fewer pixels than 8; its low bits are padding.
    if (const int nRest = self.m_nWidth % 8) std::memcpy(pDst, pLut + pSrc[nFull] * 24, nRest * 3);
}

void CDibRowConverter::Row4(const CDibRowConverter& self, const std::uint8_t* pSrc, std::uint8_t* pDst) {
    const std::uint8_t* pLut = self.m_arrLut.data();
    const int nFull = self.m_nWidth / 2;
    for (int i = 0; i < nFull; ++i, pDst += 6) std::memcpy(pDst, pLut + pSrc[i] * 6, 6);
    if (self.m_nWidth % 2) std::memcpy(pDst, pLut + pSrc[nFull] * 6, 3);
}

void CDibRowConverter::Row8(const CDibRowConverter& self, const std::uint8_t* pSrc, std::uint8_t* pDst) {
    // Entries are 4 bytes apart (RGB and a spare): every pixel but the last is stored as one
    // 4-byte write whose fourth byte the next pixel overwrites.
    const std::uint8_t* pLut = self.m_arrLut.data();
    const int nLast = self.m_nWidth - 1;
    for (int i = 0; i < nLast; ++i, pDst += 3) std::memcpy(pDst, pLut + 4 * pSrc[i], 4);
    std::memcpy(pDst, pLut + 4 * pSrc[nLast], 3);
}

void CDibRowConverter::Row16(const CDibRowConverter& self, const std::uint8_t* pSrc, std::uint8_t* pDst) {
    // Byte stores measured faster here than assembling a word per pixel.
    const std::uint8_t* pWiden = self.m_arrLut.data();
    for (int i = 0; i < self.m_nWidth; ++i, pSrc += 2, pDst += 3) {
        const unsigned v = pSrc[0] | (pSrc[1] << 8);  // bit 15 is unused
        pDst[0] = pWiden[(v >> 10) & 31];
        pDst[1] = pWiden[(v >> 5) & 31];
        pDst[2] = pWiden[v & 31];
    }
}

void CDibRowConverter::Row24(const CDibRowConverter& self, const std::uint8_t* pSrc, std::uint8_t* pDst) {
    int i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // Four pixels are three 32-bit words in and out; swapping red and blue within them
        // takes a few shifts instead of twelve byte moves (i686 has no byte shuffle).
        for (; i + 4 <= self.m_nWidth; i += 4, pSrc += 12, pDst += 12) {
            std::uint32_t w[3];
            std::memcpy(w, pSrc, 12);  // b0 g0 r0 b1 | g1 r1 b2 g2 | r2 b3 g3 r3
            const std::uint32_t o0 =
                ((w[0] >> 16) & 0xFF) | (w[0] & 0xFF00) | ((w[0] & 0xFF) << 16) | ((w[1] & 0xFF00) << 16);
            const std::uint32_t o1 =
                (w[1] & 0xFF) | ((w[0] >> 16) & 0xFF00) | ((w[2] & 0xFF) << 16) | (w[1] & 0xFF000000);
            const std::uint32_t o2 =
                ((w[1] >> 16) & 0xFF) | ((w[2] >> 16) & 0xFF00) | (w[2] & 0xFF0000) | ((w[2] & 0xFF00) << 16);
            const std::uint32_t o[3] = {o0, o1, o2};  // r0 g0 b0 r1 | g1 b1 r2 g2 | b2 r3 g3 b3
            std::memcpy(pDst, o, 12);
        }
    }
    for (; i < self.m_nWidth; ++i, pSrc += 3, pDst += 3) {
        pDst[0] = pSrc[2];
        pDst[1] = pSrc[1];
        pDst[2] = pSrc[0];
    }
}

void CDibRowConverter::Row32(const CDibRowConverter& self, const std::uint8_t* pSrc, std::uint8_t* pDst) {
    int i = 0;
    if constexpr (std::endian::native == std::endian::little) {
        // Four pixels of b g r x make three words of r g b: a byte swap turns each pixel into
        // x r g b (high to low), shifted down it is r g b from the low byte up.
        for (; i + 4 <= self.m_nWidth; i += 4, pSrc += 16, pDst += 12) {
            std::uint32_t p[4];
            std::memcpy(p, pSrc, 16);
            const std::uint32_t q0 = ByteSwap(p[0]) >> 8, q1 = ByteSwap(p[1]) >> 8;
            const std::uint32_t q2 = ByteSwap(p[2]) >> 8, q3 = ByteSwap(p[3]) >> 8;
            const std::uint32_t o[3] = {q0 | q1 << 24, q1 >> 8 | q2 << 16, q2 >> 16 | q3 << 8};
            std::memcpy(pDst, o, 12);
        }
    }
    for (; i < self.m_nWidth; ++i, pSrc += 4, pDst += 3) {
        pDst[0] = pSrc[2];
        pDst[1] = pSrc[1];
        pDst[2] = pSrc[0];
    }
}

bool DibToRgbRows(std::span<const std::uint8_t> dib, int nRowBytes, std::uint8_t* const* pRows, std::string& strError) {
    if (dib.empty() || nRowBytes <= 0 || pRows == nullptr) {
        strError = kInvalidInput;
        return false;
    }
    const CDibRowConverter converter(dib);
    if (!converter.IsValid()) {
        strError = converter.GetError();
        return false;
    }
    // Rows shorter than the picture's would be written past their end.
    if (nRowBytes / 3 < converter.GetWidth()) {
        strError = kInvalidInput;
        return false;
    }
    strError.clear();
    for (int nRow = 0; nRow < converter.GetHeight(); ++nRow) converter.ConvertRow(nRow, pRows[nRow]);
    return true;
}
