// A plain TCP client for tests that need to misbehave: send part of a request, read exactly
// what the server put on the wire, notice a reset.
#pragma once
#include <chrono>
#include <string>
#include <string_view>

class CRawClient {
public:
    explicit CRawClient(int nPort);
    ~CRawClient();
    CRawClient(const CRawClient&) = delete;
    CRawClient& operator=(const CRawClient&) = delete;

    bool Connected() const { return m_fd >= 0; }
    // The client's own port, 0 when not connected.
    int LocalPort() const;
    bool Send(std::string_view data);
    // Reads until the peer closes or the time runs out; `bReset` tells whether it ended in a
    // connection reset.
    std::string ReadAll(std::chrono::milliseconds timeout, bool* pbReset = nullptr);
    // Reads until `marker` has arrived (or the peer closes / time runs out).
    std::string ReadUntil(std::string_view marker, std::chrono::milliseconds timeout);
    void Close();

private:
    int m_fd = -1;
    std::string m_strBuffered;
};
