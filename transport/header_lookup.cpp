#include "transport/header_lookup.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool IsLineEnd(char c) {
    // The stack gives CR LF; a lone LF or CR still ends a line rather than gluing two.
    return c == '\r' || c == '\n';
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

// A name that holds a line break, a colon or a NUL can never be one header's whole name.
bool IsUsableName(std::string_view name) {
    if (name.empty()) return false;
    for (char c : name)
        if (IsLineEnd(c) || c == ':' || c == '\0') return false;
    return true;
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::optional<std::string_view> FindHeaderValue(std::string_view rawHeaders, std::string_view name) {
    if (!name.empty() && name.back() == ':') name.remove_suffix(1);
    if (!IsUsableName(name)) return std::nullopt;

    std::string_view text = rawHeaders.substr(0, rawHeaders.find('\0'));
    text = TrimBlanks(text);

    size_t nLine = 0;
    while (nLine < text.size()) {
        size_t nEnd = nLine;
        while (nEnd < text.size() && !IsLineEnd(text[nEnd])) ++nEnd;
        const std::string_view line = text.substr(nLine, nEnd - nLine);
        if (line.size() > name.size() && line[name.size()] == ':' &&
            SameNameIgnoringCase(line.substr(0, name.size()), name))
            return line.substr(name.size() + 1);
        nLine = nEnd + 1;
    }
    return std::nullopt;
}

bool GetHeaderString(std::string_view rawHeaders, std::string_view name, std::string& strValue, bool bTrim) {
    if (name.empty()) return false;
    const auto value = FindHeaderValue(rawHeaders, name);
    if (!value) {
        strValue.clear();
        return false;
    }
    strValue.assign(bTrim ? TrimBlanks(*value) : *value);
    return true;
}

bool GetHeaderNumber(std::string_view rawHeaders, std::string_view name, uint32_t& nValue) {
    if (name.empty()) return false;
    nValue = 0;
    const auto value = FindHeaderValue(rawHeaders, name);
    if (!value) return false;
    std::string_view digits = TrimBlanks(*value);
    // A plus sign is part of a decimal number, as the runtime's conversion reads it.
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    uint64_t n = 0;
    size_t i = 0;
    for (; i < digits.size() && digits[i] >= '0' && digits[i] <= '9'; ++i) {
        n = n * 10 + static_cast<uint64_t>(digits[i] - '0');
        // 0xFFFFFFFF is what the runtime's conversion saturates to; it means "unreadable".
        if (n >= 0xFFFFFFFFu) return false;
    }
    if (i == 0) return false;
    nValue = static_cast<uint32_t>(n);
    return true;
}
