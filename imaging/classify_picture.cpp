#include "imaging/classify_picture.h"

#include <array>

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
