// What one picture adds to the selection's size, with the "自动压缩" box checked or clear:
// ItemUploadKB for a click (fractions kept) and RecalcSelection's recount (whole kilobytes).
#pragma once
#include <cstdint>
#include <span>

// The size facts of a ThumbItem that the accounting reads.
struct ItemSizes {
    std::uint32_t nFileSize = 0;    // the picture file, bytes; 0 until the producer got there
    std::uint32_t nUploadSize = 0;  // the prepared upload file, bytes; 0 = not prepared
    bool bKeptAsIs = false;         // the picture file itself goes up
    bool bPreparing = false;        // with the workers: counts as its file until they are done
};

// With the box checked a picture that is not prepared, nor being prepared, must go through
// PrepareItem before its size means anything.
inline bool NeedsPreparing(const ItemSizes& s, bool bAutoCompress) {
    return bAutoCompress && s.nUploadSize == 0 && !s.bPreparing;
}

// The bytes that will be uploaded: the picture file when the box is clear, the picture is
// kept as is or still being prepared, else the prepared copy (0 while not prepared: a
// picture that failed to load adds nothing).
std::uint32_t ItemUploadBytes(const ItemSizes& s, bool bAutoCompress);

// ItemUploadKB: kilobytes with fractions, what a click adds or takes away.
double ItemUploadKB(const ItemSizes& s, bool bAutoCompress);

// RecalcSelection: the selected pictures' sizes, each cut to whole kilobytes before the sum.
// The caller prepares the pictures that NeedsPreparing first.
double RecountSelectionKB(std::span<const ItemSizes> arrSelected, bool bAutoCompress);
