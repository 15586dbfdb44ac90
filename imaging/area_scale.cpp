#include "imaging/area_scale.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace {

// Along one side: the source pixels each destination pixel covers, and the share of the
// destination pixel each of them makes up (the shares of one destination pixel sum to 1).
class CAxisWeights {
public:
    CAxisWeights(int nSrc, int nDst) {
        const double dStep = static_cast<double>(nSrc) / nDst;
        m_arrFirst.reserve(static_cast<std::size_t>(nDst) + 1);
        for (int d = 0; d < nDst; ++d) {
            const double dStart = d * dStep;
            const double dEnd = std::min<double>(nSrc, (d + 1) * dStep);
            const int nFirst = std::min(nSrc - 1, static_cast<int>(dStart));
            // A destination pixel narrower than a source pixel (a growing side) takes the one it lies in.
            const int nEnd = std::max(nFirst + 1, std::min(nSrc, static_cast<int>(std::ceil(dEnd))));
            m_arrFirst.push_back(nFirst);
            m_arrOffset.push_back(m_arrWeight.size());
            const double dSpan = std::max(dEnd - dStart, 1e-9);
            for (int s = nFirst; s < nEnd; ++s) {
                const double dCovered = std::min<double>(s + 1, dEnd) - std::max<double>(s, dStart);
                m_arrWeight.push_back(nEnd - nFirst == 1 ? 1.0f : static_cast<float>(dCovered / dSpan));
            }
        }
        m_arrOffset.push_back(m_arrWeight.size());
    }

    int First(int d) const { return m_arrFirst[static_cast<std::size_t>(d)]; }
    std::span<const float> Weights(int d) const {
        const auto i = static_cast<std::size_t>(d);
        return std::span<const float>(m_arrWeight).subspan(m_arrOffset[i], m_arrOffset[i + 1] - m_arrOffset[i]);
    }

private:
    std::vector<int> m_arrFirst;
    std::vector<std::size_t> m_arrOffset;  // one more than pixels: the end of the last
    std::vector<float> m_arrWeight;
};

std::uint8_t ToByte(float f) { return static_cast<std::uint8_t>(std::clamp(f + 0.5f, 0.0f, 255.0f)); }

}  // namespace

void AreaScale(std::span<const std::uint32_t> src, PixelSize sizeSrc, std::span<std::uint32_t> dst, PixelSize sizeDst) {
    if (sizeSrc.cx <= 0 || sizeSrc.cy <= 0 || sizeDst.cx <= 0 || sizeDst.cy <= 0) return;
    const auto nSrcWidth = static_cast<std::size_t>(sizeSrc.cx);
    const auto nDstWidth = static_cast<std::size_t>(sizeDst.cx);
    if (src.size() < nSrcWidth * static_cast<std::size_t>(sizeSrc.cy) ||
        dst.size() < nDstWidth * static_cast<std::size_t>(sizeDst.cy))
        return;
    const CAxisWeights across(sizeSrc.cx, sizeDst.cx);
    const CAxisWeights down(sizeSrc.cy, sizeDst.cy);
    // One source row averaged across, blue, green, red; the last source row of one
    // destination row is often the first of the next, so it is kept for it.
    std::vector<float> arrAcross(nDstWidth * 3);
    int nAcrossRow = -1;
    std::vector<float> arrSum(nDstWidth * 3);
    for (int y = 0; y < sizeDst.cy; ++y) {
        std::fill(arrSum.begin(), arrSum.end(), 0.0f);
        const std::span<const float> weightsDown = down.Weights(y);
        for (std::size_t k = 0; k < weightsDown.size(); ++k) {
            const int nRow = down.First(y) + static_cast<int>(k);
            if (nRow != nAcrossRow) {
                const std::uint32_t* pRow = src.data() + static_cast<std::size_t>(nRow) * nSrcWidth;
                for (int x = 0; x < sizeDst.cx; ++x) {
                    float b = 0, g = 0, r = 0;
                    const std::uint32_t* p = pRow + across.First(x);
                    for (const float w : across.Weights(x)) {
                        const std::uint32_t c = *p++;
                        b += w * static_cast<float>(c & 0xFF);
                        g += w * static_cast<float>((c >> 8) & 0xFF);
                        r += w * static_cast<float>((c >> 16) & 0xFF);
                    }
                    float* pOut = &arrAcross[static_cast<std::size_t>(x) * 3];
                    pOut[0] = b;
                    pOut[1] = g;
                    pOut[2] = r;
                }
                nAcrossRow = nRow;
            }
            const float w = weightsDown[k];
            for (std::size_t i = 0; i < arrSum.size(); ++i) arrSum[i] += w * arrAcross[i];
        }
        std::uint32_t* pOut = dst.data() + static_cast<std::size_t>(y) * nDstWidth;
        for (std::size_t x = 0; x < nDstWidth; ++x) {
            const float* p = &arrSum[x * 3];
            pOut[x] = 0xFF000000u | std::uint32_t{ToByte(p[2])} << 16 | std::uint32_t{ToByte(p[1])} << 8 | ToByte(p[0]);
        }
    }
}
