// The looping side of an animated GIF without any window: which frame comes next, how long
// it stays up, and the canvas it leaves behind; a player's thread drives it.
#pragma once
#include <cstdint>
#include <span>

#include "imaging/gif_canvas.h"
#include "imaging/gif_decoder.h"
#include "imaging/gif_frame.h"

// What one step did.
struct GifStep {
    bool bFrame = false;    // a frame was composed onto the canvas
    bool bDamaged = false;  // an image on the way was cut, corrupt or refused
    int nHoldMs = -1;       // how long the canvas stays up; -1: nothing will ever show
};

class CGifAnimation {
public:
    // A delay of 0 would make the animation spin; it is held this long instead.
    static constexpr int kDefaultDelayMs = 50;

    // Takes a copy of the file. NotGif and Truncated as the decoder answers them, also
    // NotGif for a logical screen 0 wide or high (nothing could ever show); TooLarge when
    // the screen is above the canvas limit. On failure the animation is closed.
    GifError Open(std::span<const uint8_t> arrFile, uint32_t crBackdrop);
    void Close();
    bool IsOpen() const { return m_bOpen; }

    // New colour under transparent pixels (0x00RRGGBB); the animation restarts.
    void SetBackdrop(uint32_t crBackdrop);

    // Decodes up to the next image that has pixels and composes it. At the end of the data
    // the animation starts again from its first frame on a fresh canvas; a file in which a
    // whole pass finds no image gives nHoldMs = -1 (it never will: decoding is repeatable).
    GifStep Step();

    const CGifCanvas& Canvas() const { return m_canvas; }
    int Width() const { return m_canvas.Width(); }
    int Height() const { return m_canvas.Height(); }
    // Index within the loop of the frame on the canvas; -1 before the first.
    int FrameIndex() const { return m_nFrameIndex; }
    // Frames composed since Open.
    uint64_t FramesShown() const { return m_nFramesShown; }

private:
    void Restart();

    bool m_bOpen = false;
    uint32_t m_crBackdrop = 0;
    CGifDecoder m_decoder;
    CGifFrame m_frame;
    CGifCanvas m_canvas;
    int m_nFrameIndex = -1;
    uint64_t m_nFramesShown = 0;
};
