// A server program run as a child process for one test: started with its arguments, its
// "listening 127.0.0.1:PORT" line read, stopped (SIGTERM, then SIGKILL) when the test ends.
#pragma once
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

class CServerProcess {
public:
    explicit CServerProcess(std::vector<std::string> args);
    ~CServerProcess();
    CServerProcess(const CServerProcess&) = delete;
    CServerProcess& operator=(const CServerProcess&) = delete;

    // 0 when the server did not announce itself in time.
    int Port() const { return m_nPort; }
    // The next line the server printed, without its line break.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // Sends SIGTERM and waits; the exit status, or -1 when it had to be killed.
    int Stop();
    pid_t Pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_fdOut = -1;
    int m_nPort = 0;
    std::string m_strPending;
};

// A fresh folder under the system's temporary folder, removed with everything in it.
class CScratchDir {
public:
    CScratchDir();
    ~CScratchDir();
    CScratchDir(const CScratchDir&) = delete;
    CScratchDir& operator=(const CScratchDir&) = delete;
    const std::string& Path() const { return m_strPath; }

private:
    std::string m_strPath;
};
