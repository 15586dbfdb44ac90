#include "upload/text_source.h"

#include <cstdarg>
#include <cstdio>

std::string FormatTextC(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, pszFormat, args);
    va_end(args);
    std::string text;
    if (n > 0) {
        text.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(text.data(), text.size(), pszFormat, again);
        text.resize(static_cast<size_t>(n));
    }
    va_end(again);
    return text;
}
