#include "link.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "loopback_socket.h"

namespace {

using Clock = std::chrono::steady_clock;

// One direction of the link: a reader takes bytes off the source as the line's rate lets
// them leave, and a writer hands each piece on once the delay has passed. The queue between
// them holds at most what the line carries in a few delays, so a sender still feels
// back-pressure instead of filling the relay's memory.
class CDirection {
public:
    CDirection(const LinkShape& shape, CStopSignal& stop) : m_shape(shape), m_stop(stop) {
        const uint64_t nBytesPerSecond = shape.nRateKbit * 1000 / 8;
        m_nQueueLimit = std::max<uint64_t>(256 * 1024, nBytesPerSecond * (4 * shape.nDelayMs + 100) / 1000);
    }

    // Returns the bytes carried; ends with a half close of dst once src has closed.
    uint64_t Pump(CConnection& src, CConnection& dst) {
        std::thread writer([&] { Deliver(src, dst); });
        uint64_t nTotal = 0;
        char buffer[16384];
        for (;;) {
            {
                std::unique_lock guard(m_lock);
                m_wake.wait(guard, [&] { return m_nQueued < m_nQueueLimit || m_bWriterGone; });
                if (m_bWriterGone) break;
            }
            const ssize_t n = recv(src.Fd(), buffer, sizeof buffer, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            nTotal += static_cast<uint64_t>(n);
            Push(std::string(buffer, static_cast<size_t>(n)));
        }
        Push(std::string());  // the end: dst gets a half close in its turn
        writer.join();
        return nTotal;
    }

private:
    struct Piece {
        Clock::time_point due;
        std::string bytes;  // empty: the source has closed
    };

    void Push(std::string bytes) {
        const Clock::time_point now = Clock::now();
        // The line sends one piece after the other at its rate; each arrives a delay later.
        m_departure = std::max(m_departure, now);
        if (m_shape.nRateKbit > 0)
            m_departure += std::chrono::microseconds(bytes.size() * 8 * 1000 / m_shape.nRateKbit);
        std::lock_guard guard(m_lock);
        m_nQueued += bytes.size();
        m_queue.push_back({m_departure + std::chrono::milliseconds(m_shape.nDelayMs), std::move(bytes)});
        m_wake.notify_all();
    }

    void Deliver(CConnection& src, CConnection& dst) {
        for (bool bGone = false;;) {
            Piece piece;
            {
                std::unique_lock guard(m_lock);
                m_wake.wait(guard, [&] { return !m_queue.empty(); });
                piece = std::move(m_queue.front());
                m_queue.pop_front();
                m_nQueued -= piece.bytes.size();
                m_wake.notify_all();
            }
            if (piece.bytes.empty()) {
                shutdown(dst.Fd(), SHUT_WR);
                return;
            }
            if (bGone) continue;
            const auto wait = std::chrono::ceil<std::chrono::milliseconds>(piece.due - Clock::now());
            if ((wait.count() <= 0 || m_stop.SleepFor(wait)) && dst.Send(piece.bytes)) continue;
            // The destination is gone or the server stops: the reader is woken and what the
            // source still sends is dropped.
            bGone = true;
            {
                std::lock_guard guard(m_lock);
                m_bWriterGone = true;
                m_wake.notify_all();
            }
            shutdown(src.Fd(), SHUT_RD);
            shutdown(dst.Fd(), SHUT_WR);
        }
    }

    const LinkShape& m_shape;
    CStopSignal& m_stop;
    uint64_t m_nQueueLimit;
    Clock::time_point m_departure;
    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<Piece> m_queue;
    uint64_t m_nQueued = 0;
    bool m_bWriterGone = false;
};

}  // namespace

void CLink::Carry(CConnection& client, CStopSignal& stop) {
    const int fd = ConnectLoopback(m_nUpstreamPort);
    if (fd < 0) return;
    CConnection upstream(fd);
    ++m_nConnections;
    CDirection up(m_shape, stop);
    CDirection down(m_shape, stop);
    std::thread back([&] { m_nBytesDown += down.Pump(upstream, client); });
    m_nBytesUp += up.Pump(client, upstream);
    back.join();
}

std::string CLink::Summary() const {
    return "connections=" + std::to_string(m_nConnections.load()) + " up=" + std::to_string(m_nBytesUp.load()) +
           " down=" + std::to_string(m_nBytesDown.load());
}
