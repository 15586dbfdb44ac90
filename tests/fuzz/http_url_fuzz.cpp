// Splitting of upload addresses and resolution of redirect targets over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "transport/http_url.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

// No control byte, and no space either unless bSpaceAllowed.
bool Clean(std::string_view s, bool bSpaceAllowed) {
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7f || (c == 0x20 && !bSpaceAllowed)) return false;
    }
    return true;
}

void CheckUrl(const CHttpUrl& url) {
    Check(!url.Host().empty() && url.Port() != 0);
    Check(!url.Object().empty() && url.Object().front() == '/');
    // What goes into the request line has no space; the user name and password may.
    Check(Clean(url.Host(), false) && Clean(url.Object(), false));
    Check(Clean(url.User(), true) && Clean(url.Password(), true));
    Check(url.Object().find('#') == std::string::npos);
    const auto again = CHttpUrl::Parse(url.ToString());
    Check(again.has_value());
    Check(again->IsSecure() == url.IsSecure() && again->Host() == url.Host() && again->Port() == url.Port() &&
          again->Object() == url.Object());
    Check(again->ToString() == url.ToString());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\n');
    const std::string_view first = input.substr(0, split);
    const auto url = CHttpUrl::Parse(first);
    if (url) CheckUrl(*url);
    if (split == std::string_view::npos) return 0;
    const auto base = url ? *url : *CHttpUrl::Parse("http://127.0.0.1:8080/cgi-bin/upload?x=1");
    if (const auto target = base.Resolve(input.substr(split + 1))) CheckUrl(*target);
    return 0;
}
