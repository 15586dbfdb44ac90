// The string table as the portable core reads it: texts by number, in the ANSI code page.
#pragma once
#include <string>

class CTextSource {
public:
    virtual ~CTextSource() = default;
    // "" when there is no such string.
    virtual std::string Load(unsigned nID) const = 0;
};

// printf-style formatting of a string-table text into a std::string.
std::string FormatTextC(const char* pszFormat, ...);
template <typename... Args>
std::string FormatText(const std::string& strFormat, Args... args) {
    return FormatTextC(strFormat.c_str(), args...);
}
