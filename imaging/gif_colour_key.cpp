#include "imaging/gif_colour_key.h"

#include <cstdlib>

namespace {

int Channel(uint32_t cr, int nShift) { return static_cast<int>((cr >> nShift) & 0xFF); }

int MoveAway(int n, bool bUp) {
    if (bUp) return n == 255 ? 235 : (n + 20 > 255 ? 255 : n + 20);
    return n < 20 ? 0 : n - 20;
}

}  // namespace

std::array<uint32_t, 256> MakeColourKeyPalette(const CGifFrame& frame) {
    std::array<uint32_t, 256> arrColors = frame.m_arrColors;
    if (!frame.m_bTransparent) return arrColors;
    const uint32_t crKey = frame.m_crTransparent;
    for (size_t i = 0; i < arrColors.size(); ++i) {
        if (i == frame.m_nTransparentIndex) continue;
        const uint32_t cr = arrColors[i];
        bool bNear = true;
        for (int nShift : {16, 8, 0}) bNear = bNear && std::abs(Channel(cr, nShift) - Channel(crKey, nShift)) < 20;
        if (!bNear) continue;
        const bool bRedUp = Channel(cr, 16) >= Channel(crKey, 16);
        const bool bGreenUp = Channel(cr, 8) >= Channel(crKey, 8);
        arrColors[i] = static_cast<uint32_t>(MoveAway(Channel(cr, 16), bRedUp)) << 16 |
                       static_cast<uint32_t>(MoveAway(Channel(cr, 8), bGreenUp)) << 8 |
                       static_cast<uint32_t>(MoveAway(Channel(cr, 0), bGreenUp));
    }
    return arrColors;
}
