#include "raw_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

CRawClient::CRawClient(int nPort) {
    m_fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(nPort));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_fd >= 0 && connect(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) Close();
}

CRawClient::~CRawClient() { Close(); }

void CRawClient::Close() {
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
}

bool CRawClient::Send(std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = send(m_fd, data.data(), data.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string CRawClient::ReadUntil(std::string_view marker, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (m_strBuffered.find(marker) == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || m_fd < 0) break;
        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char buffer[65536];
        const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        m_strBuffered.append(buffer, static_cast<size_t>(n));
    }
    return m_strBuffered;
}

std::string CRawClient::ReadAll(std::chrono::milliseconds timeout, bool* pbReset) {
    if (pbReset) *pbReset = false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string out = std::move(m_strBuffered);
    m_strBuffered.clear();
    while (m_fd >= 0) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char buffer[65536];
        const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == ECONNRESET && pbReset) *pbReset = true;
        if (n <= 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    return out;
}
