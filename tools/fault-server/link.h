// An emulated network link: each connection is carried byte for byte to a server on
// 127.0.0.1, each direction held back by a fixed one-way delay and paced to a rate, so that
// a benchmark on loopback meets the round trips and the bandwidth of a user's line.
#pragma once
#include <atomic>
#include <cstdint>

#include "connection.h"
#include "stop_signal.h"

struct LinkShape {
    int nDelayMs = 0;        // one way, in each direction
    uint64_t nRateKbit = 0;  // kbit/s in each direction; 0 paces nothing
};

class CLink {
public:
    CLink(int nUpstreamPort, LinkShape shape) : m_nUpstreamPort(nUpstreamPort), m_shape(shape) {}

    // Carries the connection until both directions have ended (or the server stops).
    void Carry(CConnection& client, CStopSignal& stop);
    // What went through so far, for the benchmarks' counts of round trips and utilisation:
    // "connections=C up=U down=D" (bytes).
    std::string Summary() const;

private:
    int m_nUpstreamPort;
    LinkShape m_shape;
    std::atomic<uint64_t> m_nConnections{0};
    std::atomic<uint64_t> m_nBytesUp{0};
    std::atomic<uint64_t> m_nBytesDown{0};
};
