// libFuzzer target: outside bytes as a JPEG's head, its EXIF block read and rewritten for a
// copy as the upload does; checks that what the reader hands out lies inside the bytes and
// that the rewrite reads back upright at its new size.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/exif_reader.h"

namespace {

bool Inside(std::span<const uint8_t> part, std::span<const uint8_t> whole) {
    return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const std::span<const uint8_t> bytes(pData, nSize);
    // The bytes both as a whole JPEG and as a bare TIFF structure.
    for (const auto& exif : {ReadExif(bytes), ReadExifTiff(bytes)}) {
        if (!exif) continue;
        if (!Inside(exif->tiff, bytes) || !Inside(exif->thumbnail, exif->tiff) || exif->nOrientation < 1 ||
            exif->nOrientation > 8)
            __builtin_trap();
        const auto app1 = RewriteExifForCopy(*exif, PixelSize{640, 480});
        if (app1.empty()) continue;
        const auto copy = ReadExifTiff(std::span<const uint8_t>(app1).subspan(6));
        if (!copy || copy->nOrientation != 1 || !copy->thumbnail.empty() || copy->sizeDeclared != PixelSize{640, 480})
            __builtin_trap();
    }
    return 0;
}
