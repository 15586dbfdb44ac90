#include "ui/selection_sizes.h"

std::uint32_t ItemUploadBytes(const ItemSizes& s, bool bAutoCompress) {
    return !bAutoCompress || s.bKeptAsIs || s.bPreparing ? s.nFileSize : s.nUploadSize;
}

double ItemUploadKB(const ItemSizes& s, bool bAutoCompress) { return ItemUploadBytes(s, bAutoCompress) / 1024.0; }

double RecountSelectionKB(std::span<const ItemSizes> arrSelected, bool bAutoCompress) {
    double dKB = 0.0;
    for (const ItemSizes& s : arrSelected) dKB += ItemUploadBytes(s, bAutoCompress) >> 10;
    return dKB;
}
