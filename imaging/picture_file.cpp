#include "imaging/picture_file.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace {

unsigned Be16(const std::uint8_t* p) { return static_cast<unsigned>(p[0] << 8 | p[1]); }
unsigned Le16(const std::uint8_t* p) { return static_cast<unsigned>(p[0] | p[1] << 8); }
std::uint32_t Be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
std::int32_t Le32(const std::uint8_t* p) {
    return static_cast<std::int32_t>(std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                                     std::uint32_t{p[3]} << 24);
}

// Start-of-frame markers: C0 to CF except DHT (C4), JPG (C8) and DAC (CC).
bool IsStartOfFrame(std::uint8_t m) { return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC; }

std::optional<PixelSize> ReadJpeg(std::span<const std::uint8_t> b) {
    std::size_t i = 2;
    while (i + 1 < b.size()) {
        if (b[i] != 0xFF) {
            ++i;  // stray bytes between segments: decoders skip them too
            continue;
        }
        const std::uint8_t m = b[i + 1];
        if (m == 0xFF) {  // fill byte
            ++i;
            continue;
        }
        i += 2;
        if (m == 0x01 || m == 0xD8 || (m >= 0xD0 && m <= 0xD7)) continue;  // markers without a length
        if (m == 0xD9 || m == 0xDA || i + 2 > b.size())
            return std::nullopt;  // image data or the end came before any frame header
        const std::size_t nLength = Be16(&b[i]);
        if (nLength < 2) return std::nullopt;
        if (IsStartOfFrame(m)) {
            if (nLength < 7 || i + 7 > b.size()) return std::nullopt;
            // Precision, then height and width; a height of 0 is given later (DNL).
            return PixelSize{static_cast<int>(Be16(&b[i + 5])), static_cast<int>(Be16(&b[i + 3]))};
        }
        i += nLength;
    }
    return std::nullopt;
}

}  // namespace

PictureType SniffPictureType(std::span<const std::uint8_t> b) {
    if (b.size() >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF) return PictureType::Jpeg;
    if (b.size() >= 4 && b[0] == 'G' && b[1] == 'I' && b[2] == 'F' && b[3] == '8') return PictureType::Gif;
    return PictureType::None;
}

std::optional<PixelSize> ReadPictureDimensions(std::span<const std::uint8_t> b) {
    if (b.size() >= 4 && b[0] == 0xFF && b[1] == 0xD8) return ReadJpeg(b);
    if (b.size() >= 10 && b[0] == 'G' && b[1] == 'I' && b[2] == 'F')
        return PixelSize{static_cast<int>(Le16(&b[6])), static_cast<int>(Le16(&b[8]))};
    static constexpr std::uint8_t kPng[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (b.size() >= 24 && std::equal(kPng, kPng + 8, b.begin())) {
        const std::uint32_t w = Be32(&b[16]), h = Be32(&b[20]);
        // PNG sizes go up to 2^31 - 1: keep them from turning negative.
        constexpr std::uint32_t kMax = 0x7FFFFFFF;
        return PixelSize{static_cast<int>(w > kMax ? kMax : w), static_cast<int>(h > kMax ? kMax : h)};
    }
    if (b.size() >= 26 && b[0] == 'B' && b[1] == 'M') {
        const std::int32_t nHeaderSize = Le32(&b[14]);
        if (nHeaderSize == 12)  // BITMAPCOREHEADER: 16-bit sizes
            return PixelSize{static_cast<int>(Le16(&b[18])), static_cast<int>(Le16(&b[20]))};
        const std::int32_t w = Le32(&b[18]), h = Le32(&b[22]);
        // A negative height means top-down rows; INT32_MIN has no positive twin.
        const std::int32_t hAbs = h < 0 ? (h == INT32_MIN ? INT32_MAX : -h) : h;
        return PixelSize{w < 0 ? 0 : w, hAbs};
    }
    return std::nullopt;
}

PictureType ClassifyPictureFile(std::string_view strName, LeadByteTest pfnIsLead) {
    // Double-byte characters cannot be found walking backwards, so walk forwards and keep
    // the last four characters, each as one symbol: ASCII letters folded to lower case,
    // double-byte characters as a byte that no pattern holds.
    constexpr char kWide = '\x01';
    std::array<char, 4> arrLast{};
    size_t nChars = 0;
    for (size_t i = 0; i < strName.size(); ++i) {
        const auto c = static_cast<unsigned char>(strName[i]);
        char chSymbol = static_cast<char>(c);
        if (pfnIsLead(c) && i + 1 < strName.size()) {
            chSymbol = kWide;
            ++i;
        } else if (c >= 'A' && c <= 'Z') {
            chSymbol = static_cast<char>(c - 'A' + 'a');
        }
        arrLast[nChars++ % arrLast.size()] = chSymbol;
    }
    std::array<char, 4> arrTail{};
    const size_t nTail = nChars < arrLast.size() ? nChars : arrLast.size();
    for (size_t k = 0; k < nTail; ++k) arrTail[k] = arrLast[(nChars - nTail + k) % arrLast.size()];
    const std::string_view strTail(arrTail.data(), nTail);

    if (strTail.find("bmp") != std::string_view::npos) return PictureType::Bitmap;
    if (strTail.find("gif") != std::string_view::npos) return PictureType::Gif;
    if (strTail.find("jpg") != std::string_view::npos || strTail == "jpeg") return PictureType::Jpeg;
    return PictureType::None;
}
