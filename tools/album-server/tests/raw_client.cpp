#include "raw_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "loopback_socket.h"

CRawClient::CRawClient(int nPort) : m_fd(ConnectLoopback(nPort)) {}

CRawClient::~CRawClient() { Close(); }

void CRawClient::Close() {
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
}

int CRawClient::LocalPort() const {
    sockaddr_in local{};
    socklen_t nLen = sizeof local;
    if (m_fd < 0 || getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &nLen) != 0) return 0;
    return ntohs(local.sin_port);
}

bool CRawClient::Send(std::string_view data) { return SendAll(m_fd, data); }

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
