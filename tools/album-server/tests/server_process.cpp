#include "server_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

extern char** environ;

CServerProcess::CServerProcess(std::vector<std::string> args) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    m_fdOut = pipeFds[0];
    if (m_pid < 0) return;

    const auto line = ReadLine();
    const std::string prefix = "listening 127.0.0.1:";
    if (line && line->starts_with(prefix)) m_nPort = std::atoi(line->c_str() + prefix.size());
}

CServerProcess::~CServerProcess() {
    Stop();
    if (m_fdOut >= 0) close(m_fdOut);
}

std::optional<std::string> CServerProcess::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (const size_t n = m_strPending.find('\n'); n != std::string::npos) {
            std::string line = m_strPending.substr(0, n);
            m_strPending.erase(0, n + 1);
            return line;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || m_fdOut < 0) return std::nullopt;
        pollfd p{m_fdOut, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
        char buffer[4096];
        const ssize_t got = read(m_fdOut, buffer, sizeof buffer);
        if (got <= 0) return std::nullopt;
        m_strPending.append(buffer, static_cast<size_t>(got));
    }
}

int CServerProcess::Stop() {
    if (m_pid <= 0) return -1;
    kill(m_pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        usleep(50'000);
    }
    kill(m_pid, SIGKILL);
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    return -1;
}

CScratchDir::CScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tessaline-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) m_strPath = pattern;
}

CScratchDir::~CScratchDir() {
    std::error_code ec;
    if (!m_strPath.empty()) std::filesystem::remove_all(m_strPath, ec);
}
