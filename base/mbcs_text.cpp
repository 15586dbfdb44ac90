#include "base/mbcs_text.h"

namespace {

// Calls onChar(index, size) for each character; a lone lead byte at the end is one byte.
template <class Fn>
void ForEachCharacter(std::string_view text, LeadByteTest pfnIsLead, Fn onChar) {
    for (size_t i = 0; i < text.size();) {
        const size_t n = pfnIsLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() ? 2 : 1;
        onChar(i, n);
        i += n;
    }
}

}  // namespace

std::string GetFileNamePart(std::string_view strPath, LeadByteTest pfnIsLead) {
    size_t nStart = 0;
    ForEachCharacter(strPath, pfnIsLead, [&](size_t i, size_t n) {
        if (n == 1 && strPath[i] == '\\') nStart = i + 1;
    });
    return std::string(strPath.substr(nStart));
}

bool EndsWithBackslash(std::string_view strPath, LeadByteTest pfnIsLead) {
    bool bBackslash = false;
    ForEachCharacter(strPath, pfnIsLead, [&](size_t i, size_t n) { bBackslash = n == 1 && strPath[i] == '\\'; });
    return bBackslash;
}
