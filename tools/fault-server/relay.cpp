#include "relay.h"

#include <sstream>

#include "loopback_socket.h"

namespace {

// The request's own header lines, less any Connection header: the upstream must close after
// its answer, which is how the relay knows the answer is whole.
std::string HeadersForUpstream(const std::string& lines) {
    std::istringstream in(lines);
    std::string out;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string lower = line.substr(0, line.find(':'));
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (lower == "connection" || lower == "keep-alive" || lower == "expect") continue;
        out += line + "\r\n";
    }
    return out + "Connection: close\r\n\r\n";
}

}  // namespace

void CRelay::SetNamePlan(const std::string& strName, uint64_t nCount, const FaultPlan& plan) {
    std::lock_guard guard(m_lock);
    m_plans[strName] = NamePlan{nCount, plan};
}

std::optional<FaultPlan> CRelay::TakePlanFor(const std::string& strName) {
    std::lock_guard guard(m_lock);
    const auto it = m_plans.find(strName);
    if (it == m_plans.end() || it->second.nLeft == 0) return std::nullopt;
    --it->second.nLeft;
    return it->second.plan;
}

std::optional<std::string> CRelay::Exchange(const RequestHead& head, const std::string& strPath,
                                            const std::string& body) const {
    const int fd = ConnectLoopback(m_nUpstreamPort);
    if (fd < 0) return std::nullopt;
    CConnection upstream(fd);
    const std::string request =
        head.strMethod + " " + strPath + " HTTP/1.1\r\n" + HeadersForUpstream(head.strHeaderLines);
    if (!upstream.Send(request) || !upstream.Send(body)) return std::nullopt;
    // The upstream closes after its answer.
    while (upstream.Fill()) {
    }
    return std::move(upstream.Pending());
}

std::optional<std::string> ImageFieldOf(std::string_view body) {
    constexpr std::string_view marker = "name=\"imgfile\"\r\n\r\n";
    const size_t nStart = body.find(marker);
    if (nStart == std::string::npos) return std::nullopt;
    const size_t nValue = nStart + marker.size();
    const size_t nEnd = body.find("\r\n", nValue);
    if (nEnd == std::string::npos) return std::nullopt;
    return std::string(body.substr(nValue, nEnd - nValue));
}
