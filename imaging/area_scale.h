// Area scaling: a picture shrunk by averaging every source pixel over the part of it that
// each destination pixel covers, the filter a copy for upload is made with.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "base/geometry.h"

// Scales 32-bit pixels (blue, green, red, spare; rows top-down) of sizeSrc to sizeDst, fed
// one source row at a time as a decoder hands them out, so that the whole source never
// needs to be held. Each destination pixel is the mean of the source area it covers,
// partly covered source pixels weighted by the part covered; the spare byte comes out 255.
// Meant for shrinking: a side that grows repeats its pixels. Integer weights of 1/4096.
class CAreaScaler {
public:
    // dst holds sizeDst.cx × sizeDst.cy pixels; it is written a row at a time as the source
    // rows that make the row up have come. Unusable (AddRow does nothing) when either
    // size has no area or dst is too short.
    CAreaScaler(PixelSize sizeSrc, PixelSize sizeDst, std::span<std::uint32_t> dst);

    explicit operator bool() const { return !m_dst.empty(); }

    // The next source row, top first, of sizeSrc.cx pixels; rows past the last are ignored.
    void AddRow(const std::uint32_t* pRow);

private:
    // Along one side: the first source pixel each destination pixel covers, and the share of
    // it each covered source pixel makes up (the shares of one destination pixel sum to 4096).
    struct CAxis {
        CAxis(int nSrc, int nDst);
        std::vector<int> arrFirst;
        std::vector<std::size_t> arrOffset;  // one more than pixels: the end of the last
        std::vector<std::uint32_t> arrWeight;
        std::size_t Count(int d) const {
            return arrOffset[static_cast<std::size_t>(d) + 1] - arrOffset[static_cast<std::size_t>(d)];
        }
        std::uint32_t Weight(int d, std::size_t k) const {
            return arrWeight[arrOffset[static_cast<std::size_t>(d)] + k];
        }
    };

    PixelSize m_sizeSrc, m_sizeDst;
    std::span<std::uint32_t> m_dst;
    CAxis m_across, m_down;
    int m_nSrcRow = 0;  // the next source row to come
    int m_nDstRow = 0;  // the first destination row not written yet
    // One source row averaged across (blue, green, red, in 4096ths), and the destination row
    // under way: only one is ever partly summed, as destination rows do not overlap.
    std::vector<std::uint32_t> m_arrAcross, m_arrSum;
};
