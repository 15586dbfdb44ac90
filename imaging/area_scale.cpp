#include "imaging/area_scale.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace {

constexpr std::uint32_t kWhole = 4096;  // a whole destination pixel, along one side

// A sum of kWhole × kWhole shares of a byte, back to the byte, rounded: at most
// 255 × 2^24 + 2^23, which a 32-bit word holds.
std::uint32_t ToByte(std::uint32_t nSum) { return (nSum + (kWhole * kWhole / 2)) >> 24; }

}  // namespace

CAreaScaler::CAxis::CAxis(int nSrc, int nDst) {
    if (nSrc <= 0 || nDst <= 0) return;
    const double dStep = static_cast<double>(nSrc) / nDst;
    arrFirst.reserve(static_cast<std::size_t>(nDst));
    arrOffset.reserve(static_cast<std::size_t>(nDst) + 1);
    for (int d = 0; d < nDst; ++d) {
        const double dStart = d * dStep;
        const double dEnd = std::min<double>(nSrc, (d + 1) * dStep);
        const int nFirst = std::min(nSrc - 1, static_cast<int>(dStart));
        // A destination pixel narrower than a source pixel (a growing side) takes the one it lies in.
        const int nEnd = std::max(nFirst + 1, std::min(nSrc, static_cast<int>(std::ceil(dEnd))));
        arrFirst.push_back(nFirst);
        arrOffset.push_back(arrWeight.size());
        const double dSpan = std::max(dEnd - dStart, 1e-9);
        std::uint32_t nTotal = 0;
        std::size_t nLargest = arrWeight.size();  // the first of this pixel's shares, until a larger one comes
        for (int s = nFirst; s < nEnd; ++s) {
            const double dCovered = std::min<double>(s + 1, dEnd) - std::max<double>(s, dStart);
            const auto nWeight =
                nEnd - nFirst == 1 ? kWhole
                                   : static_cast<std::uint32_t>(std::lround(std::max(0.0, dCovered / dSpan) * kWhole));
            if (nLargest < arrWeight.size() && nWeight > arrWeight[nLargest]) nLargest = arrWeight.size();
            arrWeight.push_back(nWeight);
            nTotal += nWeight;
        }
        // The rounding's difference goes to the largest share, so that the shares sum to a whole.
        arrWeight[nLargest] += kWhole - nTotal;
    }
    arrOffset.push_back(arrWeight.size());
}

CAreaScaler::CAreaScaler(PixelSize sizeSrc, PixelSize sizeDst, std::span<std::uint32_t> dst)
    : m_sizeSrc(sizeSrc), m_sizeDst(sizeDst), m_across(sizeSrc.cx, sizeDst.cx), m_down(sizeSrc.cy, sizeDst.cy) {
    if (sizeSrc.cx <= 0 || sizeSrc.cy <= 0 || sizeDst.cx <= 0 || sizeDst.cy <= 0 ||
        dst.size() < static_cast<std::size_t>(sizeDst.cx) * static_cast<std::size_t>(sizeDst.cy))
        return;
    m_dst = dst;
    m_arrAcross.resize(static_cast<std::size_t>(sizeDst.cx) * 3);
    m_arrSum.resize(m_arrAcross.size());
}

void CAreaScaler::AddRow(const std::uint32_t* pRow) {
    if (m_dst.empty() || m_nSrcRow >= m_sizeSrc.cy) return;
    const int nRow = m_nSrcRow++;
    // The shares of one destination pixel follow those of the one before.
    const std::uint32_t* pWeight = m_across.arrWeight.data();
    std::uint32_t* pOut = m_arrAcross.data();
    for (int x = 0; x < m_sizeDst.cx; ++x, pOut += 3) {
        std::uint32_t b = 0, g = 0, r = 0;
        const std::uint32_t* p = pRow + m_across.arrFirst[static_cast<std::size_t>(x)];
        for (const std::uint32_t* pEnd = pWeight + m_across.Count(x); pWeight != pEnd; ++pWeight, ++p) {
            const std::uint32_t w = *pWeight;
            const std::uint32_t c = *p;
            b += w * (c & 0xFF);
            g += w * ((c >> 8) & 0xFF);
            r += w * ((c >> 16) & 0xFF);
        }
        pOut[0] = b;
        pOut[1] = g;
        pOut[2] = r;
    }
    // The destination rows this source row falls in: at most the last of them stays open.
    while (m_nDstRow < m_sizeDst.cy && m_down.arrFirst[static_cast<std::size_t>(m_nDstRow)] <= nRow) {
        const auto k = static_cast<std::size_t>(nRow - m_down.arrFirst[static_cast<std::size_t>(m_nDstRow)]);
        const std::uint32_t w = m_down.Weight(m_nDstRow, k);
        for (std::size_t i = 0; i < m_arrSum.size(); ++i) m_arrSum[i] += w * m_arrAcross[i];
        if (k + 1 < m_down.Count(m_nDstRow)) break;  // more source rows to come for it
        std::uint32_t* pOut =
            m_dst.data() + static_cast<std::size_t>(m_nDstRow) * static_cast<std::size_t>(m_sizeDst.cx);
        for (int x = 0; x < m_sizeDst.cx; ++x) {
            const std::uint32_t* p = &m_arrSum[static_cast<std::size_t>(x) * 3];
            pOut[x] = 0xFF000000u | ToByte(p[2]) << 16 | ToByte(p[1]) << 8 | ToByte(p[0]);
        }
        std::fill(m_arrSum.begin(), m_arrSum.end(), 0u);
        ++m_nDstRow;
    }
}
