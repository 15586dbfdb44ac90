// Outcome codes of the GIF decoder and of composition onto its canvas.
#pragma once
#include <cstdint>

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
