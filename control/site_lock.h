// The pages a control built for one site may be scripted from: a list of origins (scheme,
// host with an optional leading "*." label, optional port) checked against a page's address.
// An empty list allows every page.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CSiteLock {
public:
    struct Origin {
        std::string strScheme;  // lower case
        std::string strHost;    // lower case, without the wildcard label
        bool bAnySubdomain = false;
        int nPort = 0;  // the scheme's default port when the address names none
    };

    CSiteLock() = default;
    // Entries separated by white space; nullopt when one of them is no origin.
    static std::optional<CSiteLock> Parse(std::string_view list);
    // The scheme, host and port of an http or https address; nullopt for anything else.
    static std::optional<Origin> OriginOf(std::string_view url);

    bool IsEmpty() const { return m_arrAllowed.empty(); }
    // True for every address when the list is empty; otherwise only for an address whose
    // origin is on the list. An empty address (a page that has none) is never allowed.
    bool Allows(std::string_view url) const;

private:
    std::vector<Origin> m_arrAllowed;
};
