#include "process_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

namespace {

// Owns a descriptor for one scope.
class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0) close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

int PeerPortOf(int fd) {
    sockaddr_in peer{};
    socklen_t nLen = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &nLen) != 0 || peer.sin_family != AF_INET) return -1;
    return ntohs(peer.sin_port);
}

std::optional<bool> NoDelayNow(pid_t pid, int nPeerPort) {
    // A copy of each of the process's sockets in turn (pidfd_getfd: the test is the server's
    // parent, so it may), asked for its peer and its option.
    const CFd pidfd(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
    if (pidfd.Get() < 0) return std::nullopt;
    std::error_code error;
    const std::filesystem::path folder = "/proc/" + std::to_string(pid) + "/fd";
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        if (error || !target.starts_with("socket:")) continue;
        const int nTargetFd = std::stoi(entry.path().filename().string());
        const CFd fd(static_cast<int>(syscall(SYS_pidfd_getfd, pidfd.Get(), nTargetFd, 0)));
        if (fd.Get() < 0 || PeerPortOf(fd.Get()) != nPeerPort) continue;
        int nValue = 0;
        socklen_t nLen = sizeof nValue;
        if (getsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &nValue, &nLen) != 0) return std::nullopt;
        return nValue != 0;
    }
    return std::nullopt;
}

}  // namespace

std::optional<bool> NoDelayOfSocketTo(pid_t pid, int nPeerPort) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    for (;;) {
        if (const auto bNoDelay = NoDelayNow(pid, nPeerPort)) return bNoDelay;
        if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
