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

// What a copy keeps of IFD0 besides its orientation: the camera and the date.
constexpr unsigned kCopiedIfd0Tags[] = {
    0x010F,  // Make
    0x0110,  // Model
    0x0132,  // DateTime
};
// And of the EXIF directory besides the pixel size: when and how the picture was taken.
// Everything else stays behind: the GPS block, the maker notes (which hold serial numbers
// and more), the body's and the lens's serial numbers, the owner's name, unique ids.
constexpr unsigned kCopiedExifTags[] = {
    0x829A,  // ExposureTime
    0x829D,  // FNumber
    0x8822,  // ExposureProgram
    0x8827,  // ISO speed
    0x9000,  // ExifVersion
    0x9003,  // DateTimeOriginal
    0x9004,  // DateTimeDigitized
    0x9010,  // OffsetTime
    0x9011,  // OffsetTimeOriginal
    0x9012,  // OffsetTimeDigitized
    0x9201,  // ShutterSpeedValue
    0x9202,  // ApertureValue
    0x9203,  // BrightnessValue
    0x9204,  // ExposureBiasValue
    0x9205,  // MaxApertureValue
    0x9207,  // MeteringMode
    0x9208,  // LightSource
    0x9209,  // Flash
    0x920A,  // FocalLength
    0x9290,  // SubSecTime
    0x9291,  // SubSecTimeOriginal
    0x9292,  // SubSecTimeDigitized
    0xA001,  // ColorSpace
    0xA215,  // ExposureIndex
    0xA402,  // ExposureMode
    0xA403,  // WhiteBalance
    0xA405,  // FocalLengthIn35mmFilm
    0xA406,  // SceneCaptureType
};
// A copied value longer than this is dropped: none of the tags above needs as much.
constexpr std::size_t kMaxCopiedValue = 256;

constexpr unsigned kTypeAscii = 2;
constexpr unsigned kTypeShort = 3;
constexpr unsigned kTypeLong = 4;
constexpr unsigned kTypeIfd = 13;  // a LONG that points at a directory

// Bytes of one value of a TIFF field type; 0 for a type that is not known.
std::size_t TypeSize(unsigned nType) {
    switch (nType) {
    case 1:
    case 2:
    case 6:
    case 7: return 1;  // BYTE, ASCII, SBYTE, UNDEFINED
    case 3:
    case 8: return 2;  // SHORT, SSHORT
    case 4:
    case 9:
    case 11:
    case kTypeIfd: return 4;  // LONG, SLONG, FLOAT, IFD
    case 5:
    case 10:
    case 12: return 8;  // RATIONAL, SRATIONAL, DOUBLE
    default: return 0;
    }
}

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

// One field of a directory to be written, its value's bytes in the block's byte order.
struct CField {
    unsigned nTag = 0;
    unsigned nType = 0;
    std::uint32_t nCount = 0;
    std::vector<std::uint8_t> value;
};

CField NumberField(unsigned nTag, unsigned nType, std::uint32_t n, bool bBig) {
    CField field{nTag, nType, 1, std::vector<std::uint8_t>(4, 0)};
    if (nType == kTypeShort)
        Put16(field.value.data(), n, bBig);
    else
        Put32(field.value.data(), n, bBig);
    return field;
}

// Appends the fields of the directory at nOffset whose tags are listed, each with a value
// that lies wholly inside the block and is not too long; the first of a tag given twice.
void CopyFields(const CTiffView& v, std::size_t nOffset, std::span<const unsigned> arrTags, std::vector<CField>& out) {
    WalkIfd(v, nOffset, [&](unsigned nTag, std::size_t nEntry) {
        if (std::find(arrTags.begin(), arrTags.end(), nTag) == arrTags.end()) return;
        if (std::any_of(out.begin(), out.end(), [nTag](const CField& f) { return f.nTag == nTag; })) return;
        const unsigned nType = v.U16(nEntry + 2);
        const std::uint32_t nCount = v.U32(nEntry + 4);
        const std::uint64_t nSize = std::uint64_t{TypeSize(nType)} * nCount;
        if (nSize == 0 || nSize > kMaxCopiedValue) return;
        const std::size_t nAt = nSize <= 4 ? nEntry + 8 : v.U32(nEntry + 8);
        if (!v.Has(nAt, static_cast<std::size_t>(nSize))) return;
        const auto bytes = v.Bytes().subspan(nAt, static_cast<std::size_t>(nSize));
        out.push_back(CField{nTag, nType, nCount, std::vector<std::uint8_t>(bytes.begin(), bytes.end())});
    });
}

// Writes a directory of the fields, sorted by tag as TIFF wants, at the end of out (which
// starts the TIFF structure); values longer than 4 bytes go to the end of the block,
// at even offsets, nothing links on from it.
void WriteIfd(std::vector<CField> arrFields, std::vector<std::uint8_t>& out, std::vector<std::uint8_t>& data,
              std::size_t nDataAt, bool bBig) {
    std::sort(arrFields.begin(), arrFields.end(), [](const CField& a, const CField& b) { return a.nTag < b.nTag; });
    const std::size_t nAt = out.size();
    out.resize(nAt + 2 + 12 * arrFields.size() + 4, 0);
    Put16(&out[nAt], static_cast<unsigned>(arrFields.size()), bBig);
    std::uint8_t* pEntry = &out[nAt + 2];
    for (const CField& f : arrFields) {
        Put16(pEntry, f.nTag, bBig);
        Put16(pEntry + 2, f.nType, bBig);
        Put32(pEntry + 4, f.nCount, bBig);
        if (f.value.size() <= 4) {
            std::copy(f.value.begin(), f.value.end(), pEntry + 8);
        } else {
            Put32(pEntry + 8, static_cast<std::uint32_t>(nDataAt + data.size()), bBig);
            data.insert(data.end(), f.value.begin(), f.value.end());
            if (data.size() % 2) data.push_back(0);
        }
        pEntry += 12;
    }
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
    const std::size_t nNextIfdField = WalkIfd(v, nIfd0, [&](unsigned nTag, std::size_t nEntry) {
        if (nTag == kTagOrientation) {
            const auto n = v.Number(nEntry);
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
            } else if (nTag == kTagPixelY) {
                nPixelY = v.Number(nEntry);
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

    const std::size_t nIfd1 = nNextIfdField ? v.U32(nNextIfdField) : 0;
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
    const bool bBig = exif.bBigEndian;
    const CTiffView v(exif.tiff, bBig);
    if (!v.Has(0, 8)) return {};
    const std::size_t nIfd0 = v.U32(4);
    std::size_t nExifIfd = 0;
    WalkIfd(v, nIfd0, [&](unsigned nTag, std::size_t nEntry) {
        if (nTag == kTagExifIfd) nExifIfd = v.Number(nEntry).value_or(0);
    });

    std::vector<CField> arrIfd0, arrExif;
    CopyFields(v, nIfd0, kCopiedIfd0Tags, arrIfd0);
    if (nExifIfd != nIfd0) CopyFields(v, nExifIfd, kCopiedExifTags, arrExif);
    arrIfd0.push_back(NumberField(kTagOrientation, kTypeShort, 1, bBig));
    arrExif.push_back(NumberField(kTagPixelX, kTypeLong, static_cast<std::uint32_t>(sizeNew.cx), bBig));
    arrExif.push_back(NumberField(kTagPixelY, kTypeLong, static_cast<std::uint32_t>(sizeNew.cy), bBig));

    // Header, IFD0, the EXIF directory, then the longer values of both.
    const std::size_t nIfd0Size = 2 + 12 * (arrIfd0.size() + 1) + 4;
    const std::size_t nExifAt = 8 + nIfd0Size;
    arrIfd0.push_back(NumberField(kTagExifIfd, kTypeLong, static_cast<std::uint32_t>(nExifAt), bBig));
    const std::size_t nDataAt = nExifAt + 2 + 12 * arrExif.size() + 4;
    std::vector<std::uint8_t> tiff(8, 0);
    tiff[0] = tiff[1] = bBig ? 'M' : 'I';
    Put16(&tiff[2], 42, bBig);
    Put32(&tiff[4], 8, bBig);
    std::vector<std::uint8_t> data;
    WriteIfd(std::move(arrIfd0), tiff, data, nDataAt, bBig);
    WriteIfd(std::move(arrExif), tiff, data, nDataAt, bBig);
    tiff.insert(tiff.end(), data.begin(), data.end());
    if (sizeof(kExifId) + tiff.size() > kMaxApp1Payload) return {};
    std::vector<std::uint8_t> out(kExifId, kExifId + sizeof(kExifId));
    out.insert(out.end(), tiff.begin(), tiff.end());
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
