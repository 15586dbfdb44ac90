#include "control/site_lock.h"

#include <charconv>

namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = Lower(c);
    return lower;
}

int DefaultPort(const std::string& strScheme) { return strScheme == "https" ? 443 : 80; }

// Letters, digits, '-' and '.' only, no empty label: anything else (an escape, a user name,
// an address in brackets) is not a host the list can name.
bool IsHostName(std::string_view host) {
    if (host.empty() || host.front() == '.' || host.back() == '.') return false;
    char prev = 0;
    for (char c : host) {
        const bool bAlnum = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!bAlnum && c != '-' && c != '.') return false;
        if (c == '.' && prev == '.') return false;
        prev = c;
    }
    return true;
}

// "host[:port]" of an authority; the port must be a number from 1 to 65535.
bool SplitHostPort(std::string_view authority, std::string& strHost, int& nPort, int nDefault) {
    const size_t colon = authority.find(':');
    strHost = LowerAscii(authority.substr(0, colon));
    nPort = nDefault;
    if (colon == std::string_view::npos) return true;
    const std::string_view port = authority.substr(colon + 1);
    if (port.empty()) return true;  // "host:" is the default port
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), nPort);
    return ec == std::errc() && end == port.data() + port.size() && nPort > 0 && nPort <= 65535;
}

// The scheme (lower case) and the authority of "scheme://authority[/?#...]".
bool SplitUrl(std::string_view url, std::string& strScheme, std::string_view& authority) {
    const size_t sep = url.find("://");
    if (sep == std::string_view::npos) return false;
    strScheme = LowerAscii(url.substr(0, sep));
    if (strScheme != "http" && strScheme != "https") return false;
    authority = url.substr(sep + 3);
    // Browsers read a backslash as a slash in these schemes: "a.com\@b.com" is on a.com's
    // path, never on b.com.
    authority = authority.substr(0, authority.find_first_of("/\\?#"));
    return true;
}

}  // namespace

std::optional<CSiteLock::Origin> CSiteLock::OriginOf(std::string_view url) {
    Origin origin;
    std::string_view authority;
    if (!SplitUrl(url, origin.strScheme, authority)) return std::nullopt;
    // A user name in front of the host is a way to make one site's address read like another's.
    if (authority.find('@') != std::string_view::npos) return std::nullopt;
    if (!SplitHostPort(authority, origin.strHost, origin.nPort, DefaultPort(origin.strScheme)) ||
        !IsHostName(origin.strHost))
        return std::nullopt;
    return origin;
}

std::optional<CSiteLock> CSiteLock::Parse(std::string_view list) {
    CSiteLock lock;
    size_t pos = 0;
    while (pos < list.size()) {
        const size_t start = list.find_first_not_of(" \t\r\n", pos);
        if (start == std::string_view::npos) break;
        const size_t end = list.find_first_of(" \t\r\n", start);
        std::string_view entry = list.substr(start, end == std::string_view::npos ? list.npos : end - start);
        pos = end == std::string_view::npos ? list.size() : end;

        // An origin names no path: "https://a.com/" at most.
        if (!entry.empty() && entry.back() == '/') entry.remove_suffix(1);
        std::string strScheme;
        std::string_view authority;
        if (!SplitUrl(entry, strScheme, authority) || authority.size() != entry.size() - strScheme.size() - 3)
            return std::nullopt;
        bool bAnySubdomain = false;
        if (authority.substr(0, 2) == "*.") {
            bAnySubdomain = true;
            authority.remove_prefix(2);
        }
        std::optional<Origin> origin = OriginOf(strScheme + "://" + std::string(authority));
        if (!origin) return std::nullopt;
        origin->bAnySubdomain = bAnySubdomain;
        lock.m_arrAllowed.push_back(std::move(*origin));
    }
    return lock;
}

bool CSiteLock::Allows(std::string_view url) const {
    if (m_arrAllowed.empty()) return true;
    const std::optional<Origin> page = OriginOf(url);
    if (!page) return false;
    for (const Origin& allowed : m_arrAllowed) {
        if (allowed.strScheme != page->strScheme || allowed.nPort != page->nPort) continue;
        if (!allowed.bAnySubdomain) {
            if (page->strHost == allowed.strHost) return true;
            continue;
        }
        // "*.example.com" is any host below example.com, not example.com itself.
        const std::string& host = page->strHost;
        const std::string& base = allowed.strHost;
        if (host.size() > base.size() + 1 && host.compare(host.size() - base.size(), base.size(), base) == 0 &&
            host[host.size() - base.size() - 1] == '.')
            return true;
    }
    return false;
}
