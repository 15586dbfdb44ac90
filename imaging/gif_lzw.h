// Variable-length LZW decoding of one GIF frame's image data into a run of pixels.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/gif_frame.h"

inline constexpr int kGifMaxCodeBits = 12;
inline constexpr size_t kGifTableSize = 4096;

class CGifLzwDecoder {
public:
    // Layout of the buffers Decode works in. The output starts with kOutputPrefix bytes
    // the decoder uses for the one-pixel strings, then the pixels, then kOutputSlack bytes
    // of scratch (strings are copied in 16-byte steps). The input ends with kInputSlack
    // bytes that are not data (codes are read 8 bytes at a time).
    static constexpr size_t kOutputPrefix = 256;
    static constexpr size_t kOutputSlack = 16;
    static constexpr size_t kInputSlack = 8;

    // Decodes codes read least-significant bit first from arrCode (the frame's sub-block
    // payloads joined, then kInputSlack bytes) into the nPixels bytes that follow the
    // prefix of arrOut (kOutputPrefix + nPixels + kOutputSlack bytes). Stops as soon as
    // nPixels are out, like a decoder that never waits for the end code of a full frame;
    // a string longer than the pixels left is cut. nWritten receives the pixels decoded,
    // also on failure.
    // None: full. ShortData: the end code or the data came first. BadCode: a code past the
    // table, or a string code right after a clear. BadCodeSize: nMinCodeSize outside 2..8.
    // A full table is kept, without a clear code, and later codes are read at 12 bits.
    GifError Decode(int nMinCodeSize, std::span<const uint8_t> arrCode, std::span<uint8_t> arrOut, size_t nPixels,
                    size_t& nWritten);

private:
    // No prefix chains: every string a code stands for was written to the output already
    // (it is the previous code's string plus the first pixel after it), and the one-pixel
    // strings sit in the output's prefix, so a code is an offset and a length there, and
    // decoding any code is one forward copy.
    struct Entry {
        uint32_t nOffset;
        uint32_t nLength;
    };
    std::array<Entry, kGifTableSize> m_arrTable{};
};
