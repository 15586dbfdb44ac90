// The logical screen of an animation: frames composed in order over a backdrop, with their
// transparency and disposal, as 0x00RRGGBB pixels (the layout of a top-down 32-bit DIB).
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/gif_decoder.h"
#include "imaging/gif_frame.h"

// A header can claim 65535 × 65535; a player in someone else's process keeps far less.
inline constexpr size_t kGifMaxCanvasPixels = 4 * kGifMaxPixelBytes;

class CGifCanvas {
public:
    // TooLarge when width × height is above kGifMaxCanvasPixels; the canvas is then empty.
    GifError Create(int nWidth, int nHeight, uint32_t crBackdrop);

    // What shows through transparent pixels and under the first frame, for instance the
    // window contents under the picture: Width() × Height() pixels. Also resets the canvas
    // to it. False (nothing changed) when the size does not match.
    bool SetBackdrop(std::span<const uint32_t> arrPixels);

    // Back to the backdrop with no disposal pending, for the first frame of a new loop.
    void Reset();

    // Applies the previous frame's disposal, then draws this frame clipped to the screen;
    // its transparent index leaves the canvas as it was. A frame without pixels (refused
    // by the decoder, or of zero size) draws nothing.
    void Compose(const CGifFrame& frame);

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    std::span<const uint32_t> Pixels() const { return m_arrPixels; }
    uint32_t Pixel(int x, int y) const { return m_arrPixels[static_cast<size_t>(y) * m_nWidth + x]; }

private:
    struct CRectArea {
        int nLeft = 0, nTop = 0, nRight = 0, nBottom = 0;
        bool IsEmpty() const { return nRight <= nLeft || nBottom <= nTop; }
    };
    CRectArea ClipFrame(const CGifFrame& frame) const;
    void CopyArea(const CRectArea& rc, const std::vector<uint32_t>& arrFrom, std::vector<uint32_t>& arrTo) const;

    int m_nWidth = 0;
    int m_nHeight = 0;
    std::vector<uint32_t> m_arrPixels;
    std::vector<uint32_t> m_arrBackdrop;
    std::vector<uint32_t> m_arrSaved;  // the canvas before a frame to be disposed of was drawn
    CRectArea m_rcPending;
    int m_nPendingDisposal = kGifDisposeNone;
};
