// An http or https address split into the pieces a connection and a request are opened with,
// and the resolution of a redirect's Location against it.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CHttpUrl {
public:
    // Only "http://" and "https://" addresses (scheme in any case) with a host are accepted;
    // the port defaults to 80 and 443. Control bytes
    // (below 0x20, and DEL) are refused anywhere, since they would end up in the request line;
    // a space in the object becomes "%20" (one in the host is refused, one in the user name or
    // password is kept), and nothing else is re-encoded. The fragment is dropped; an empty
    // object becomes "/".
    static std::optional<CHttpUrl> Parse(std::string_view url);

    // A Location may be absolute, start with "//", "/", "?" or "#", or be relative to the
    // current object's folder ("." and ".." segments removed); "//" keeps this address's
    // scheme. Other schemes give none.
    std::optional<CHttpUrl> Resolve(std::string_view location) const;

    bool IsSecure() const { return m_bSecure; }
    const std::string& Host() const { return m_strHost; }
    // Host names compare without regard to case.
    bool HasSameHost(const CHttpUrl& other) const;
    uint16_t Port() const { return m_nPort; }
    // Path and query, as the request line carries them.
    const std::string& Object() const { return m_strObject; }
    const std::string& User() const { return m_strUser; }
    const std::string& Password() const { return m_strPassword; }
    std::string ToString() const;

private:
    std::string Authority() const;
    const char* Scheme() const { return m_bSecure ? "https://" : "http://"; }
    uint16_t DefaultPort() const { return m_bSecure ? 443 : 80; }

    bool m_bSecure = false;
    std::string m_strHost;
    uint16_t m_nPort = 80;
    std::string m_strObject = "/";
    std::string m_strUser;
    std::string m_strPassword;
};
