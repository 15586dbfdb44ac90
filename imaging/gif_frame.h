// One decoded GIF frame: its place on the logical screen, its timing and disposal, its
// palette and its 8-bit pixels in rows padded like a device-independent bitmap's; and the
// outcome codes of the GIF decoder and of composition onto its canvas.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Disposal as stored in the graphic control extension's packed byte, masked with 0x1C.
// The undefined methods 4 to 7 (16 to 28 here) are treated as kGifDisposeKeep.
inline constexpr int kGifDisposeNone = 0;  // none given: left in place
inline constexpr int kGifDisposeKeep = 4;  // left in place
// Both of these leave the canvas as the frame found it.
inline constexpr int kGifDisposeBackground = 8;  // its rectangle goes back to what was under it
inline constexpr int kGifDisposePrevious = 12;   // its rectangle goes back to what was under it

class CGifFrame {
public:
    // Image descriptor. The rectangle may reach past the logical screen; the canvas clips.
    int m_nLeft = 0;
    int m_nTop = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nStride = 0;         // width rounded up to a multiple of 4
    size_t m_nPixelBytes = 0;  // stride × height; 0 when the frame was refused
    bool m_bInterlaced = false;

    // Colours of this frame as 0x00RRGGBB, the memory layout of an RGBQUAD. Entries past
    // m_nColors are black, so that any index a stream holds has a colour. In a transparent
    // frame, colours close to the transparent one have been moved away from it
    // (MakeColourKeyPalette).
    bool m_bLocalColors = false;
    int m_nColors = 0;
    std::array<uint32_t, 256> m_arrColors{};

    // Graphic control extension; it applies to this frame only.
    int m_nDisposal = kGifDisposeNone;
    bool m_bTransparent = false;
    uint8_t m_nTransparentIndex = 0;
    // m_arrColors[m_nTransparentIndex], so 0x00RRGGBB too: swap red and blue for a COLORREF.
    uint32_t m_crTransparent = 0;
    int m_nDelay = 0;  // hundredths of a second

    // Pixels the image data filled, counted in stream order (for an interlaced frame, the
    // rows of the earlier passes come first). The rest holds the transparent index when the
    // frame has one, else 0, so that a damaged frame shows the canvas through its hole.
    size_t m_nDecodedPixels = 0;

    // m_nPixelBytes bytes, rows top to bottom; the row padding is 0.
    std::vector<uint8_t> m_arrPixels;

    std::span<const uint8_t> Row(int y) const {
        return std::span<const uint8_t>(m_arrPixels).subspan(static_cast<size_t>(y) * m_nStride, m_nWidth);
    }
    bool IsComplete() const { return m_nDecodedPixels == static_cast<size_t>(m_nWidth) * m_nHeight; }
};

enum class GifError : uint32_t {
    None = 0,      // a frame was decoded whole
    End,           // trailer or end of data: no more frames until Rewind
    NotGif,        // shorter than a header, or not GIF87a / GIF89a
    Truncated,     // a header, table, descriptor or extension runs past the end of the data
    UnknownBlock,  // a byte that begins no known block; it is consumed
    TooLarge,      // the frame's pixel buffer (or a canvas) is above its limit
    BadCodeSize,   // minimum code size outside 2..8
    BadCode,       // a code past the table, or a string code with no string before it
    ShortData,     // the image data ended before the frame was full
};

// For test messages and diagnostics.
const char* GifErrorName(GifError error);
