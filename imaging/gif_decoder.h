// Decodes a GIF87a / GIF89a file held in memory, one frame per call, into 8-bit frames
// with their palettes; hardened against damaged and hostile files.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/gif_frame.h"
#include "imaging/gif_lzw.h"

class CGifReader;

// A frame whose pixel buffer (stride × height) is larger than this is not decoded.
inline constexpr size_t kGifMaxPixelBytes = 0xC0000;

class CGifDecoder {
public:
    explicit CGifDecoder(size_t nMaxPixelBytes = kGifMaxPixelBytes) : m_nMaxPixelBytes(nMaxPixelBytes) {}
    CGifDecoder(const CGifDecoder&) = delete;
    CGifDecoder& operator=(const CGifDecoder&) = delete;

    // Reads the header and the global colour table and keeps a copy of the rest of the
    // file. NotGif: under 13 bytes or not GIF87a / GIF89a. Truncated: the global table is
    // cut, or nothing follows it. Whatever a previous Open held is dropped first.
    GifError Open(std::span<const uint8_t> arrFile);
    bool IsOpen() const { return m_bOpen; }

    // Walks the blocks from the read position up to the next image and decodes it into
    // frame (whose buffer is reused from call to call; frame is only written when an image
    // descriptor is met). Every call consumes at least one byte or returns End, so a loop
    // over it always ends.
    //   None        a whole frame.
    //   ShortData, BadCode: a damaged frame; frame holds the pixels decoded before the
    //               damage (m_nDecodedPixels) and the decoder stands after the frame's data.
    //   TooLarge, BadCodeSize: the frame was skipped (no pixels); the next call goes on.
    //   UnknownBlock: a stray byte was consumed; the next call goes on after it.
    //   Truncated   a block ran past the end; the next call returns End.
    //   End         trailer or end of the data (a missing trailer is no error); it stays
    //               End until Rewind.
    GifError DecodeNextFrame(CGifFrame& frame);

    // Back to the first block after the global colour table, as a looping player wants.
    void Rewind();

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    int GlobalColors() const { return m_nGlobalColors; }
    size_t Position() const { return m_nPos; }

private:
    GifError ReadExtension(CGifReader& reader);
    GifError DecodeImage(CGifReader& reader, CGifFrame& frame);
    void StorePixels(CGifFrame& frame, size_t nDecoded);

    size_t m_nMaxPixelBytes;
    bool m_bOpen = false;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nGlobalColors = 0;
    std::array<uint32_t, 256> m_arrGlobalColors{};
    std::vector<uint8_t> m_arrData;  // everything after the header and the global table
    size_t m_nPos = 0;

    // The last graphic control extension, waiting for the image it belongs to.
    bool m_bControlPending = false;
    int m_nDisposal = kGifDisposeNone;
    bool m_bTransparent = false;
    uint8_t m_nTransparentIndex = 0;
    int m_nDelay = 0;

    // Scratch kept between frames so that steady playback allocates nothing.
    CGifLzwDecoder m_lzw;
    std::vector<uint8_t> m_arrCode;    // the frame's sub-block payloads, joined
    std::vector<uint8_t> m_arrLinear;  // decoded pixels in stream order
};
