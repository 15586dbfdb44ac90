// What the fault server has seen, for tests that count attempts and check body sizes.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class CRequestLog {
public:
    void Add(const std::string& method, const std::string& path, uint64_t nBodyBytes);
    // One line per request: "METHOD PATH BODY_BYTES".
    std::string Text() const;
    void Clear();

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_lines;
};
