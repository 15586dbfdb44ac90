#include "ui/space_text.h"

#include <charconv>

namespace {

// Two decimals, as printf's "%.2f" writes them; "inf" and "nan" for the odd figure.
std::string Megabytes(double dKB) {
    // The largest double has 309 digits before the point.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, dKB / 1024, std::chars_format::fixed, 2);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string FormatSpaceText(std::string_view strFormat, double dUsedKB, double dTotalKB, double dSelectedKB) {
    constexpr std::string_view kFigure = "%.2f";
    std::string strOut;
    size_t from = 0;
    // '%' is never a trail byte in a double-byte ANSI code page: a byte search is safe.
    for (double dKB : {dUsedKB, dTotalKB, dSelectedKB}) {
        const size_t at = strFormat.find(kFigure, from);
        if (at == std::string_view::npos) break;
        strOut.append(strFormat.substr(from, at - from));
        strOut += Megabytes(dKB);
        from = at + kFigure.size();
    }
    strOut.append(strFormat.substr(from));
    return strOut;
}
