#include "request_log.h"

void CRequestLog::Add(const std::string& method, const std::string& path, uint64_t nBodyBytes) {
    std::lock_guard guard(m_lock);
    m_lines.push_back(method + " " + path + " " + std::to_string(nBodyBytes));
}

std::string CRequestLog::Text() const {
    std::lock_guard guard(m_lock);
    std::string out;
    for (const auto& line : m_lines) out += line + "\n";
    return out;
}

void CRequestLog::Clear() {
    std::lock_guard guard(m_lock);
    m_lines.clear();
}
