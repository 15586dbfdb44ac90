// libFuzzer target: outside bytes as a GIF, decoded frame by frame and composed on a canvas
// twice round, as the player does; checks the frame invariants the Win32 side relies on.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/gif_canvas.h"
#include "imaging/gif_decoder.h"

namespace {

bool HasPixels(GifError result) {
    return result == GifError::None || result == GifError::ShortData || result == GifError::BadCode;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    CGifDecoder decoder;
    if (decoder.Open(std::span<const uint8_t>(pData, nSize)) != GifError::None) return 0;
    CGifCanvas canvas;
    canvas.Create(decoder.Width(), decoder.Height(), 0x808080);  // stays empty when too large
    CGifFrame frame;
    for (int nLoop = 0; nLoop < 2; ++nLoop) {
        // Each call consumes input or ends, so a count above the input size is a hang.
        for (size_t nCalls = 0;; ++nCalls) {
            if (nCalls > nSize) __builtin_trap();
            const size_t nBefore = decoder.Position();
            const GifError result = decoder.DecodeNextFrame(frame);
            if (result == GifError::End) break;
            if (decoder.Position() <= nBefore) __builtin_trap();
            if (!HasPixels(result)) continue;
            const size_t nPixels = static_cast<size_t>(frame.m_nWidth) * frame.m_nHeight;
            if (frame.m_nPixelBytes > kGifMaxPixelBytes || frame.m_arrPixels.size() != frame.m_nPixelBytes ||
                frame.m_nDecodedPixels > nPixels || (result == GifError::None && frame.m_nDecodedPixels != nPixels))
                __builtin_trap();
            canvas.Compose(frame);
            // No opaque colour may be the transparent one.
            for (size_t i = 0; i < frame.m_arrColors.size(); ++i)
                if (frame.m_bTransparent && i != frame.m_nTransparentIndex &&
                    frame.m_arrColors[i] == frame.m_crTransparent)
                    __builtin_trap();
        }
        decoder.Rewind();
        canvas.Reset();
    }
    return 0;
}
