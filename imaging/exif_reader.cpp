#include "imaging/exif_reader.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint8_t kExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
// An APP1 segment's length field counts itself: 65535 bytes in all.
constexpr std::size_t kMaxApp1Payload = 65535 - 2;

constexpr unsigned kTagOrientation = 0x0112;
constexpr unsigned kTagExifIfd = 0x8769;
constexpr unsigned kTagDateTimeOriginal = 0x9003;
constexpr unsigned kTagPixelX = 0xA002;
constexpr unsigned kTagPixelY = 0xA003;
constexpr unsigned kTagThumbnailOffset = 0x0201;
constexpr unsigned kTagThumbnailLength = 0x0202;

constexpr unsigned kTypeAscii = 2;
constexpr unsigned kTypeShort = 3;
constexpr unsigned kTypeLong = 4;
constexpr unsigned kTypeIfd = 13;  // a LONG that points at a directory

class CTiffView {
public:
    CTiffView(std::span<const std::uint8_t> b, bool bBig) : m_b(b), m_bBig(bBig) {}
    bool Has(std::size_t nOffset, std::size_t nCount) const {
        return nOffset <= m_b.size() && nCount <= m_b.size() - nOffset;
    }
    unsigned U16(std::size_t i) const {
        return m_bBig ? static_cast<unsigned>(m_b[i] << 8 | m_b[i + 1])
                      : static_cast<unsigned>(m_b[i] | m_b[i + 1] << 8);
    }
    std::uint32_t U32(std::size_t i) const {
        const std::uint32_t a = m_b[i], b = m_b[i + 1], c = m_b[i + 2], d = m_b[i + 3];
        return m_bBig ? a << 24 | b << 16 | c << 8 | d : d << 24 | c << 16 | b << 8 | a;
    }
    // A SHORT or LONG entry's first value; none for other types or no values.
    std::optional<std::uint32_t> Number(std::size_t nEntry) const {
        const unsigned nType = U16(nEntry + 2);
        if (U32(nEntry + 4) == 0) return std::nullopt;
        if (nType == kTypeShort) return U16(nEntry + 8);
        if (nType == kTypeLong || nType == kTypeIfd) return U32(nEntry + 8);
        return std::nullopt;
    }
    std::span<const std::uint8_t> Bytes() const { return m_b; }

private:
    std::span<const std::uint8_t> m_b;
    bool m_bBig;
};

// Calls onEntry(tag, entry offset) for each 12-byte entry of the IFD at nOffset that lies
// inside the block (a truncated directory gives the entries it has); returns the offset of
// its next-IFD link, or 0 when that is missing.
template <typename F>
std::size_t WalkIfd(const CTiffView& v, std::size_t nOffset, F&& onEntry) {
    if (nOffset < 8 || !v.Has(nOffset, 2)) return 0;
    const std::size_t nCount = v.U16(nOffset);
    std::size_t nEntry = nOffset + 2;
    for (std::size_t k = 0; k < nCount; ++k, nEntry += 12) {
        if (!v.Has(nEntry, 12)) return 0;
        onEntry(v.U16(nEntry), nEntry);
    }
    return v.Has(nEntry, 4) ? nEntry : 0;
}

void Put16(std::uint8_t* p, unsigned n, bool bBig) {
    p[bBig ? 0 : 1] = static_cast<std::uint8_t>(n >> 8);
    p[bBig ? 1 : 0] = static_cast<std::uint8_t>(n);
}

void Put32(std::uint8_t* p, std::uint32_t n, bool bBig) {
    for (int k = 0; k < 4; ++k) p[bBig ? 3 - k : k] = static_cast<std::uint8_t>(n >> (8 * k));
}

// A dimension entry rewritten in place: as a LONG, which holds any size inline.
void PutDimension(std::uint8_t* pEntry, int n, bool bBig) {
    Put16(pEntry + 2, kTypeLong, bBig);
    Put32(pEntry + 4, 1, bBig);
    Put32(pEntry + 8, static_cast<std::uint32_t>(n), bBig);
}

}  // namespace

std::optional<ExifBlock> ReadExifTiff(std::span<const std::uint8_t> tiff) {
    if (tiff.size() < 8) return std::nullopt;
    ExifBlock exif;
    exif.tiff = tiff;
    if (tiff[0] == 'M' && tiff[1] == 'M')
        exif.bBigEndian = true;
    else if (tiff[0] != 'I' || tiff[1] != 'I')
        return std::nullopt;
    const CTiffView v(tiff, exif.bBigEndian);
    if (v.U16(2) != 42) return std::nullopt;
    const std::size_t nIfd0 = v.U32(4);

    std::size_t nExifIfd = 0;
    exif.nNextIfdField = WalkIfd(v, nIfd0, [&](unsigned nTag, std::size_t nEntry) {
        if (nTag == kTagOrientation) {
            const auto n = v.Number(nEntry);
            exif.nOrientationEntry = nEntry;
            exif.nOrientation = n && *n >= 1 && *n <= 8 ? static_cast<int>(*n) : 1;
        } else if (nTag == kTagExifIfd) {
            nExifIfd = v.Number(nEntry).value_or(0);
        }
    });

    std::optional<std::uint32_t> nPixelX, nPixelY;
    // The directories are followed in a fixed order, one step each, so a link that points
    // back at an earlier one cannot loop.
    if (nExifIfd != nIfd0) {
        WalkIfd(v, nExifIfd, [&](unsigned nTag, std::size_t nEntry) {
            if (nTag == kTagPixelX) {
                nPixelX = v.Number(nEntry);
                exif.nPixelXEntry = nEntry;
            } else if (nTag == kTagPixelY) {
                nPixelY = v.Number(nEntry);
                exif.nPixelYEntry = nEntry;
            } else if (nTag == kTagDateTimeOriginal && v.U16(nEntry + 2) == kTypeAscii) {
                const std::uint32_t nLen = v.U32(nEntry + 4);
                const std::size_t nAt = nLen <= 4 ? nEntry + 8 : v.U32(nEntry + 8);
                if (nLen >= 19 && nLen <= 64 && v.Has(nAt, nLen)) {
                    const char* p = reinterpret_cast<const char*>(&tiff[nAt]);
                    exif.strDateTaken.assign(p, strnlen(p, nLen));
                }
            }
        });
    }
    if (nPixelX && nPixelY && *nPixelX <= 0x7FFFFFFF && *nPixelY <= 0x7FFFFFFF)
        exif.sizeDeclared = PixelSize{static_cast<int>(*nPixelX), static_cast<int>(*nPixelY)};

    const std::size_t nIfd1 = exif.nNextIfdField ? v.U32(exif.nNextIfdField) : 0;
    if (nIfd1 != 0 && nIfd1 != nIfd0 && nIfd1 != nExifIfd) {
        std::optional<std::uint32_t> nThumbAt, nThumbLen;
        WalkIfd(v, nIfd1, [&](unsigned nTag, std::size_t nEntry) {
            if (nTag == kTagThumbnailOffset)
                nThumbAt = v.Number(nEntry);
            else if (nTag == kTagThumbnailLength)
                nThumbLen = v.Number(nEntry);
        });
        // A thumbnail that claims more bytes than the block holds, or is no JPEG, is
        // not used.
        if (nThumbAt && nThumbLen && *nThumbLen >= 4 && v.Has(*nThumbAt, *nThumbLen) && tiff[*nThumbAt] == 0xFF &&
            tiff[*nThumbAt + 1] == 0xD8) {
            exif.thumbnail = tiff.subspan(*nThumbAt, *nThumbLen);
            exif.nThumbnailOffset = *nThumbAt;
        }
    }
    return exif;
}

std::optional<ExifBlock> ReadExif(std::span<const std::uint8_t> b) {
    if (b.size() < 4 || b[0] != 0xFF || b[1] != 0xD8) return std::nullopt;
    std::size_t i = 2;
    // Only the segments before the image data: a camera puts the block first.
    while (i + 4 <= b.size()) {
        if (b[i] != 0xFF) return std::nullopt;
        const std::uint8_t m = b[i + 1];
        if (m == 0xFF) {
            ++i;
            continue;
        }
        if (m == 0xD8 || m == 0xD9 || m == 0xDA || (m >= 0xD0 && m <= 0xD7) || m == 0x01) return std::nullopt;
        const std::size_t nLength = static_cast<std::size_t>(b[i + 2] << 8 | b[i + 3]);
        if (nLength < 2) return std::nullopt;
        if (m == 0xE1 && nLength >= 2 + sizeof(kExifId) && i + 4 + sizeof(kExifId) <= b.size() &&
            std::equal(kExifId, kExifId + sizeof(kExifId), b.begin() + static_cast<std::ptrdiff_t>(i + 4))) {
            if (i + 2 + nLength > b.size()) return std::nullopt;  // ends past what was read
            return ReadExifTiff(b.subspan(i + 4 + sizeof(kExifId), nLength - 2 - sizeof(kExifId)));
        }
        i += 2 + nLength;
    }
    return std::nullopt;
}

std::vector<std::uint8_t> RewriteExifForCopy(const ExifBlock& exif, PixelSize sizeNew) {
    std::size_t nKeep = exif.tiff.size();
    // The thumbnail is normally the block's last part and is cut off; one that sits
    // elsewhere is blanked, so that no offset behind it moves.
    const bool bThumbAtEnd =
        !exif.thumbnail.empty() && exif.nThumbnailOffset + exif.thumbnail.size() >= exif.tiff.size();
    if (bThumbAtEnd) nKeep = exif.nThumbnailOffset;
    if (sizeof(kExifId) + nKeep > kMaxApp1Payload) return {};
    std::vector<std::uint8_t> out(kExifId, kExifId + sizeof(kExifId));
    out.insert(out.end(), exif.tiff.begin(), exif.tiff.begin() + static_cast<std::ptrdiff_t>(nKeep));
    std::uint8_t* pTiff = out.data() + sizeof(kExifId);
    const bool bBig = exif.bBigEndian;
    if (!exif.thumbnail.empty() && !bThumbAtEnd) std::memset(pTiff + exif.nThumbnailOffset, 0, exif.thumbnail.size());
    // A field the cut took away stays away; one that is 0 was never there.
    const auto Kept = [nKeep](std::size_t nAt, std::size_t nBytes) { return nAt != 0 && nAt + nBytes <= nKeep; };
    if (Kept(exif.nPixelXEntry, 12)) PutDimension(pTiff + exif.nPixelXEntry, sizeNew.cx, bBig);
    if (Kept(exif.nPixelYEntry, 12)) PutDimension(pTiff + exif.nPixelYEntry, sizeNew.cy, bBig);
    if (Kept(exif.nOrientationEntry, 12)) {
        std::uint8_t* p = pTiff + exif.nOrientationEntry;
        Put16(p + 2, kTypeShort, bBig);
        Put32(p + 4, 1, bBig);
        Put16(p + 8, 1, bBig);
        Put16(p + 10, 0, bBig);
    }
    if (Kept(exif.nNextIfdField, 4)) Put32(pTiff + exif.nNextIfdField, 0, bBig);
    // Directories that overlap each other can undo one patch with another: such a block
    // goes without, rather than tell a turned copy to be turned again.
    const auto copy = ReadExifTiff(std::span<const std::uint8_t>(out).subspan(sizeof(kExifId)));
    if (!copy || copy->nOrientation != 1 || !copy->thumbnail.empty()) return {};
    return out;
}

PixelSize UprightSize(PixelSize sizeStored, int nOrientation) {
    return nOrientation >= 5 && nOrientation <= 8 ? PixelSize{sizeStored.cy, sizeStored.cx} : sizeStored;
}

PixelPoint UprightPoint(PixelPoint pt, PixelSize s, int nOrientation) {
    const int xr = s.cx - 1 - pt.x, yr = s.cy - 1 - pt.y;
    switch (nOrientation) {
    case 2: return {xr, pt.y};    // mirrored left to right
    case 3: return {xr, yr};      // turned half round
    case 4: return {pt.x, yr};    // mirrored top to bottom
    case 5: return {pt.y, pt.x};  // mirrored along the main diagonal
    case 6: return {yr, pt.x};    // stored a quarter turn anticlockwise
    case 7: return {yr, xr};      // mirrored along the other diagonal
    case 8: return {pt.y, xr};    // stored a quarter turn clockwise
    default: return pt;
    }
}
