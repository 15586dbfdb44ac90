#include "ui/space_text.h"

#include <array>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kMaxField = 64;

struct Conversion {
    std::string strFlags;
    int nWidth = -1;
    int nPrecision = -1;
    char chConversion = 0;
};

bool IsFlag(char c) { return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsFloatConversion(char c) {
    switch (c) {
    case 'f':
    case 'F':
    case 'e':
    case 'E':
    case 'g':
    case 'G':
    case 'a':
    case 'A': return true;
    default: return false;
    }
}

// A run of digits at pos, at most kMaxField; -1 when there are none or too many.
int ReadField(std::string_view str, size_t& pos) {
    int n = 0;
    size_t start = pos;
    while (pos < str.size() && IsDigit(str[pos])) {
        n = n * 10 + (str[pos] - '0');
        if (n > kMaxField) return -2;
        ++pos;
    }
    return pos == start ? -1 : n;
}

// Parses the conversion whose '%' is at pos; on success pos is just past it.
bool ParseConversion(std::string_view str, size_t& pos, Conversion& conv) {
    size_t i = pos + 1;
    while (i < str.size() && IsFlag(str[i])) conv.strFlags += str[i++];
    conv.nWidth = ReadField(str, i);
    if (conv.nWidth == -2) return false;
    if (i < str.size() && str[i] == '.') {
        ++i;
        conv.nPrecision = ReadField(str, i);
        if (conv.nPrecision == -2) return false;
        if (conv.nPrecision == -1) conv.nPrecision = 0;  // "%.f" means precision 0
    }
    if (i < str.size() && str[i] == 'l')  // "%lf" is a double too; "%Lf" is not
        ++i;
    if (i >= str.size() || !IsFloatConversion(str[i])) return false;
    conv.chConversion = str[i];
    pos = i + 1;
    return true;
}

// The text of a non-finite value, the same in both builds (the Windows runtime would
// otherwise write its own "1.#INF" forms).
std::string NonFiniteText(double d, const Conversion& conv) {
    const bool bUpper = conv.chConversion >= 'A' && conv.chConversion <= 'Z';
    std::string str = std::isnan(d) ? "nan" : std::signbit(d) ? "-inf" : "inf";
    if (bUpper)
        for (char& c : str) c = static_cast<char>(c - 'a' + 'A');
    if (conv.nWidth > static_cast<int>(str.size())) {
        const std::string strPad(conv.nWidth - str.size(), ' ');
        str = conv.strFlags.find('-') != std::string::npos ? str + strPad : strPad + str;
    }
    return str;
}

std::string FiniteText(double d, const Conversion& conv) {
    std::string strPrintfFormat = "%" + conv.strFlags;
    if (conv.nWidth >= 0) strPrintfFormat += std::to_string(conv.nWidth);
    if (conv.nPrecision >= 0) strPrintfFormat += "." + std::to_string(conv.nPrecision);
    strPrintfFormat += conv.chConversion;
    // The largest double in %f with precision 64 is about 380 characters: ask for the
    // length instead of guessing a buffer.
    const int n = std::snprintf(nullptr, 0, strPrintfFormat.c_str(), d);
    if (n <= 0) return {};
    std::string str(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(str.data(), str.size(), strPrintfFormat.c_str(), d);
    str.resize(static_cast<size_t>(n));
    return str;
}

}  // namespace

std::string FormatSpaceText(std::string_view strFormat, double dUsedKB, double dTotalKB, double dSelectedKB) {
    const std::array<double, 3> arrMB{dUsedKB / 1024, dTotalKB / 1024, dSelectedKB / 1024};
    size_t nNext = 0;
    std::string strOut;
    strOut.reserve(strFormat.size() + 32);
    // Scanning bytes for '%' is safe in every double-byte ANSI code page: trail bytes start
    // at 0x40.
    for (size_t pos = 0; pos < strFormat.size();) {
        const char c = strFormat[pos];
        if (c != '%') {
            strOut += c;
            ++pos;
            continue;
        }
        if (pos + 1 < strFormat.size() && strFormat[pos + 1] == '%') {
            strOut += '%';
            pos += 2;
            continue;
        }
        Conversion conv;
        size_t end = pos;
        if (nNext < arrMB.size() && ParseConversion(strFormat, end, conv)) {
            const double d = arrMB[nNext++];
            strOut += std::isfinite(d) ? FiniteText(d, conv) : NonFiniteText(d, conv);
            pos = end;
        } else {
            strOut += c;
            ++pos;
        }
    }
    return strOut;
}
