#include "request_head.h"

#include <charconv>
#include <sstream>

namespace {

constexpr size_t kMaxHead = 65536;

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(" \t");
    if (a == std::string::npos) return {};
    const size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

}  // namespace

HeadResult ReadRequestHead(CConnection& connection, RequestHead& head) {
    std::string& pending = connection.Pending();
    size_t nEnd;
    while ((nEnd = pending.find("\r\n\r\n")) == std::string::npos) {
        if (pending.size() > kMaxHead) return HeadResult::TooLarge;
        if (!connection.Fill()) return HeadResult::Closed;
    }
    if (nEnd > kMaxHead) return HeadResult::TooLarge;
    const std::string block = pending.substr(0, nEnd);
    pending.erase(0, nEnd + 4);

    std::istringstream lines(block);
    std::string line;
    std::getline(lines, line);
    std::istringstream requestLine(line);
    std::string version;
    if (!(requestLine >> head.strMethod >> head.strPath >> version)) return HeadResult::Malformed;
    const size_t nFirstEnd = block.find("\r\n");
    head.strHeaderLines = nFirstEnd == std::string::npos ? std::string() : block.substr(nFirstEnd + 2);
    while (std::getline(lines, line)) {
        const size_t nColon = line.find(':');
        if (nColon == std::string::npos) continue;
        const std::string name = Lower(line.substr(0, nColon));
        const std::string value = Trim(line.substr(nColon + 1));
        if (name == "content-length") {
            const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), head.nContentLength);
            if (ec != std::errc() || end != value.data() + value.size()) return HeadResult::Malformed;
        } else if (name == "expect") {
            head.bExpectContinue = Lower(value) == "100-continue";
        } else if (name == "transfer-encoding") {
            head.bChunked = Lower(value).find("chunked") != std::string::npos;
        }
    }
    return HeadResult::Ok;
}
