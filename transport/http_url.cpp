#include "transport/http_url.h"

#include <vector>

#include "transport/header_lookup.h"

namespace {

constexpr std::string_view kPlainScheme = "http://";
constexpr std::string_view kSecureScheme = "https://";

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (LowerAscii(text[i]) != LowerAscii(prefix[i])) return false;
    return true;
}

bool HasControlByte(std::string_view text) {
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7f) return true;
    }
    return false;
}

// A space cannot stand in the request line; pages have long given upload addresses with
// spaces in them, so they go out as "%20". Nothing else is re-encoded.
std::string EncodeSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == ' ')
            out += "%20";
        else
            out.push_back(c);
    }
    return out;
}

bool IsHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_';
}

bool IsValidHost(std::string_view host) {
    if (host.empty()) return false;
    if (host.front() == '[') {
        // An IPv6 literal: hex digits, colons and dots between the brackets.
        if (host.size() < 3 || host.back() != ']') return false;
        for (char c : host.substr(1, host.size() - 2))
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || c == ':' || c == '.'))
                return false;
        return true;
    }
    for (char c : host)
        if (!IsHostChar(c)) return false;
    return true;
}

std::optional<uint16_t> ParsePort(std::string_view digits, uint16_t nDefault) {
    if (digits.empty()) return nDefault;
    uint32_t n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + static_cast<uint32_t>(c - '0');
        if (n > 65535) return std::nullopt;
    }
    if (n == 0) return std::nullopt;
    return static_cast<uint16_t>(n);
}

// Removes "." and ".." segments from an absolute path (RFC 3986, 5.2.4).
std::string RemoveDotSegments(std::string_view path) {
    std::vector<std::string_view> segments;
    size_t nStart = 1;  // past the leading '/'
    bool bTrailingSlash = false;
    while (nStart <= path.size()) {
        size_t nEnd = path.find('/', nStart);
        if (nEnd == std::string_view::npos) nEnd = path.size();
        const std::string_view seg = path.substr(nStart, nEnd - nStart);
        const bool bLast = nEnd == path.size();
        if (seg == ".") {
            bTrailingSlash = bLast;
        } else if (seg == "..") {
            if (!segments.empty()) segments.pop_back();
            bTrailingSlash = bLast;
        } else {
            segments.push_back(seg);
            bTrailingSlash = false;
        }
        nStart = nEnd + 1;
    }
    std::string out;
    for (const auto seg : segments) out.append("/").append(seg);
    if (bTrailingSlash || out.empty()) out.push_back('/');
    return out;
}

// Splits an object into its path and what follows it ("?query").
std::pair<std::string_view, std::string_view> SplitQuery(std::string_view object) {
    const size_t n = object.find('?');
    if (n == std::string_view::npos) return {object, {}};
    return {object.substr(0, n), object.substr(n)};
}

}  // namespace

std::optional<CHttpUrl> CHttpUrl::Parse(std::string_view url) {
    url = TrimBlanks(url);
    if (HasControlByte(url)) return std::nullopt;
    CHttpUrl result;
    if (StartsWithIgnoringCase(url, kSecureScheme)) {
        result.m_bSecure = true;
        url.remove_prefix(kSecureScheme.size());
    } else if (StartsWithIgnoringCase(url, kPlainScheme)) {
        url.remove_prefix(kPlainScheme.size());
    } else {
        return std::nullopt;
    }
    url = url.substr(0, url.find('#'));

    const size_t nAuthEnd = url.find_first_of("/?");
    std::string_view authority = url.substr(0, nAuthEnd);
    const std::string_view object = nAuthEnd == std::string_view::npos ? std::string_view{} : url.substr(nAuthEnd);

    if (const size_t nAt = authority.rfind('@'); nAt != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, nAt);
        const size_t nColon = userInfo.find(':');
        result.m_strUser = userInfo.substr(0, nColon);
        if (nColon != std::string_view::npos) result.m_strPassword = userInfo.substr(nColon + 1);
        authority.remove_prefix(nAt + 1);
    }

    // The port's colon is the last one outside an IPv6 literal's brackets.
    const size_t nBracket = authority.rfind(']');
    const size_t nColon = authority.rfind(':');
    std::string_view host = authority;
    std::string_view port;
    if (nColon != std::string_view::npos && (nBracket == std::string_view::npos || nColon > nBracket)) {
        host = authority.substr(0, nColon);
        port = authority.substr(nColon + 1);
    }
    const auto nPort = ParsePort(port, result.DefaultPort());
    if (!IsValidHost(host) || !nPort) return std::nullopt;
    result.m_strHost = host;
    result.m_nPort = *nPort;
    if (object.empty())
        result.m_strObject = "/";
    else if (object.front() == '?')
        result.m_strObject = "/" + EncodeSpaces(object);
    else
        result.m_strObject = EncodeSpaces(object);
    return result;
}

std::optional<CHttpUrl> CHttpUrl::Resolve(std::string_view location) const {
    location = TrimBlanks(location);
    if (location.empty() || HasControlByte(location)) return std::nullopt;

    const size_t nSchemeEnd = location.find(':');
    const size_t nFirstDelimiter = location.find_first_of("/?#");
    if (nSchemeEnd != std::string_view::npos && nSchemeEnd > 0 && nSchemeEnd < nFirstDelimiter)
        return Parse(location);  // absolute: http, https, or a scheme that cannot be followed
    if (location.starts_with("//")) return Parse(Scheme() + std::string(location.substr(2)));

    location = location.substr(0, location.find('#'));
    const auto [basePath, baseQuery] = SplitQuery(m_strObject);
    std::string object;
    if (location.empty())
        object = m_strObject;
    else if (location.front() == '?')
        object = std::string(basePath) + std::string(location);
    else {
        const auto [path, query] = SplitQuery(location);
        std::string merged;
        if (path.empty())
            merged = basePath;
        else if (path.front() == '/')
            merged = path;
        else
            merged = std::string(basePath.substr(0, basePath.rfind('/') + 1)) + std::string(path);
        object = RemoveDotSegments(merged) + std::string(query);
    }
    return Parse(Scheme() + Authority() + object);
}

bool CHttpUrl::HasSameHost(const CHttpUrl& other) const {
    return m_strHost.size() == other.m_strHost.size() && StartsWithIgnoringCase(m_strHost, other.m_strHost);
}

std::string CHttpUrl::Authority() const {
    std::string out;
    if (!m_strUser.empty() || !m_strPassword.empty()) {
        out = m_strUser;
        if (!m_strPassword.empty()) out.append(":").append(m_strPassword);
        out.push_back('@');
    }
    out.append(m_strHost);
    if (m_nPort != DefaultPort()) out.append(":").append(std::to_string(m_nPort));
    return out;
}

std::string CHttpUrl::ToString() const { return Scheme() + Authority() + m_strObject; }
