// One accepted TCP connection: reading with a carry-over buffer, writing all of a buffer,
// and the two ways of ending it (an orderly close, or a reset).
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

class CConnection {
public:
    explicit CConnection(int fd) : m_fd(fd) {}
    ~CConnection();
    CConnection(const CConnection&) = delete;
    CConnection& operator=(const CConnection&) = delete;

    int Fd() const { return m_fd; }
    bool Send(std::string_view data);
    // Reads more bytes into Pending(); false when the peer closed or the read failed.
    bool Fill();
    std::string& Pending() { return m_strPending; }
    // Reads and drops up to nBytes of what follows (the pending bytes first); returns how
    // many arrived before the peer stopped sending.
    uint64_t Discard(uint64_t nBytes);
    // Whether the peer has closed or reset its side, without waiting; what it sent before
    // stays to be read.
    bool PeerHasClosed();
    // Waits for the peer to close (or for Interrupt from another thread).
    void WaitForPeerClose();
    // Ends our side, then reads what the peer still sends (for at most a second), so that an
    // early answer is not wiped out by the reset that unread data would cause.
    void FinishEarly();
    // Shrinks the receive buffer to its least, for a peer that is to stop reading: the
    // client's writes then block soon after what the system has already taken.
    void ShrinkReceiveBuffer();
    // Ends the connection with a TCP reset instead of an orderly close.
    void Reset();
    // Wakes a blocked read from another thread (used when the server stops).
    void Interrupt();

private:
    int m_fd;
    std::string m_strPending;
    // Interrupt comes from another thread: it must never shut down a descriptor number that
    // Reset has already closed and the system has handed out again.
    std::mutex m_closeLock;
};
