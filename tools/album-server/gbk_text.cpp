#include "gbk_text.h"

#include <iconv.h>

#include <cerrno>
#include <memory>

namespace {

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

std::optional<std::string> Convert(const char* to, const char* from, std::string_view text) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::unique_ptr<void, IconvCloser> holder(cd);

    std::string out;
    std::string input(text);
    char* pIn = input.data();
    size_t nIn = input.size();
    char buffer[4096];
    while (nIn > 0) {
        char* pOut = buffer;
        size_t nOut = sizeof buffer;
        const size_t r = iconv(cd, &pIn, &nIn, &pOut, &nOut);
        out.append(buffer, static_cast<size_t>(pOut - buffer));
        if (r == static_cast<size_t>(-1) && errno != E2BIG) return std::nullopt;
    }
    return out;
}

}  // namespace

std::optional<std::string> Utf8ToGbk(std::string_view text) { return Convert("GBK", "UTF-8", text); }

std::optional<std::string> GbkToUtf8(std::string_view text) { return Convert("UTF-8", "GBK", text); }
