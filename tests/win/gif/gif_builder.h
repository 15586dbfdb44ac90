// Writes small GIF files in memory for the player's tests: chosen sizes, palettes, delays,
// disposal and transparency, with an LZW stream a decoder must take as it is.
#pragma once
#include <cstdint>
#include <vector>

struct GifFrameSpec {
    int nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
    int nDelay = 0;                  // hundredths of a second
    int nDisposal = 0;               // the method, 0 to 3 (stored shifted into bits 2 to 4)
    int nTransparent = -1;           // index, or -1 for none
    int nMinCodeSize = 8;            // written as is; outside 2..8 makes a frame no decoder takes
    bool bControl = true;            // write a graphic control extension
    std::vector<uint8_t> arrPixels;  // nWidth × nHeight indices, rows top to bottom
};

// colours are 0x00RRGGBB; the global table is padded to a power of two (at least 2).
std::vector<uint8_t> BuildGif(int nWidth, int nHeight, const std::vector<uint32_t>& arrColors,
                              const std::vector<GifFrameSpec>& arrFrames, bool bGif87 = false);
