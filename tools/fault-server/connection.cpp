#include "connection.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "loopback_socket.h"

CConnection::~CConnection() {
    std::lock_guard guard(m_closeLock);
    if (m_fd >= 0) close(m_fd);
}

bool CConnection::Send(std::string_view data) { return SendAll(m_fd, data); }

bool CConnection::Fill() {
    char buffer[65536];
    for (;;) {
        const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        m_strPending.append(buffer, static_cast<size_t>(n));
        return true;
    }
}

uint64_t CConnection::Discard(uint64_t nBytes) {
    uint64_t nDone = std::min<uint64_t>(nBytes, m_strPending.size());
    m_strPending.erase(0, static_cast<size_t>(nDone));
    char buffer[65536];
    while (nDone < nBytes) {
        const ssize_t n = recv(m_fd, buffer, static_cast<size_t>(std::min<uint64_t>(sizeof buffer, nBytes - nDone)), 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        nDone += static_cast<uint64_t>(n);
    }
    return nDone;
}

bool CConnection::PeerHasClosed() {
    char c;
    for (;;) {
        const ssize_t n = recv(m_fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
    }
}

void CConnection::WaitForPeerClose() {
    char buffer[4096];
    for (;;) {
        const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
    }
}

void CConnection::FinishEarly() {
    shutdown(m_fd, SHUT_WR);
    timeval timeout{1, 0};
    setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    WaitForPeerClose();
}

void CConnection::ShrinkReceiveBuffer() {
    // The system rounds this up to its minimum.
    const int nSize = 1;
    setsockopt(m_fd, SOL_SOCKET, SO_RCVBUF, &nSize, sizeof nSize);
}

void CConnection::Reset() {
    // A zero linger time turns close() into a reset, even with unread data in the buffer.
    std::lock_guard guard(m_closeLock);
    linger lingerOff{1, 0};
    setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &lingerOff, sizeof lingerOff);
    close(m_fd);
    m_fd = -1;
}

void CConnection::Interrupt() {
    std::lock_guard guard(m_closeLock);
    if (m_fd >= 0) shutdown(m_fd, SHUT_RDWR);
}
