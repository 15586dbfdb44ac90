#include "fault_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "fault_responder.h"
#include "loopback_socket.h"
#include "request_head.h"

CFaultServer::~CFaultServer() {
    Stop();
    Reap(true);
    if (m_fdListen >= 0) close(m_fdListen);
}

int CFaultServer::Bind(int nPort) {
    m_fdListen = socket(AF_INET, SOCK_STREAM, 0);
    if (m_fdListen < 0) return -1;
    const int one = 1;
    setsockopt(m_fdListen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(nPort));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(m_fdListen, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(m_fdListen, 64) != 0)
        return -1;
    socklen_t nLen = sizeof addr;
    getsockname(m_fdListen, reinterpret_cast<sockaddr*>(&addr), &nLen);
    m_nPort = ntohs(addr.sin_port);
    return m_nPort;
}

void CFaultServer::Run() {
    while (!m_stop.Raised()) {
        pollfd p{m_fdListen, POLLIN, 0};
        // A short poll keeps Stop prompt without a wake-up pipe.
        if (poll(&p, 1, 100) <= 0) {
            Reap(false);
            continue;
        }
        const int fd = accept(m_fdListen, nullptr, nullptr);
        if (fd < 0) continue;
        SetNoDelay(fd);
        auto connection = std::make_shared<CConnection>(fd);
        auto pbDone = std::make_shared<std::atomic<bool>>(false);
        std::lock_guard guard(m_lock);
        m_workers.push_back({std::thread([this, connection, pbDone] {
                                 Serve(*connection);
                                 *pbDone = true;
                             }),
                             connection, pbDone});
    }
    Reap(true);
}

void CFaultServer::Stop() {
    m_stop.Raise();
    std::lock_guard guard(m_lock);
    for (auto& worker : m_workers) worker.connection->Interrupt();
}

void CFaultServer::Reap(bool bAll) {
    std::list<Worker> finished;
    {
        std::lock_guard guard(m_lock);
        for (auto it = m_workers.begin(); it != m_workers.end();) {
            if (bAll || *it->pbDone) {
                if (bAll) it->connection->Interrupt();
                finished.splice(finished.end(), m_workers, it++);
            } else {
                ++it;
            }
        }
    }
    for (auto& worker : finished) worker.thread.join();
}

void CFaultServer::Serve(CConnection& connection) {
    if (m_link) return m_link->Carry(connection, m_stop);
    RequestHead head;
    const char* refusal = nullptr;
    switch (ReadRequestHead(connection, head)) {
    case HeadResult::Ok:
        // The control always sends a fixed length; a chunked request is a test's mistake.
        if (head.bChunked) refusal = "411 Length Required";
        break;
    case HeadResult::TooLarge: refusal = "431 Request Header Fields Too Large"; break;
    case HeadResult::Malformed: refusal = "400 Bad Request"; break;
    case HeadResult::Closed: return;
    }
    if (refusal) {
        connection.Send(std::string("HTTP/1.1 ") + refusal + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        connection.FinishEarly();
        return;
    }
    const FaultPlan plan = ParseFaultPlan(head.strPath).value_or(m_defaultPlan);
    if (plan.mode == FaultMode::Relay) return ServeRelay(connection, std::move(head));
    if (plan.mode == FaultMode::FaultName) {
        m_relay.SetNamePlan(plan.strValue, plan.nCount, *ParseFaultPlan(plan.strInfo));
        connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection: close\r\n\r\nok\n");
        connection.FinishEarly();
        return;
    }
    CFaultResponder(m_nPort, m_log, m_stop).Serve(connection, head, plan);
}

void CFaultServer::ServeRelay(CConnection& connection, RequestHead head) {
    if (!m_relay.HasUpstream()) {
        connection.Send("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        connection.FinishEarly();
        return;
    }
    if (head.bExpectContinue) connection.Send("HTTP/1.1 100 Continue\r\n\r\n");
    head.bExpectContinue = false;
    // The picture's name comes before its bytes: the body is read as far as the name, so that a
    // fault meets the picture's bytes as they arrive.
    std::string& pending = connection.Pending();
    auto nameSoFar = [&] {
        return ImageFieldOf(
            std::string_view(pending).substr(0, std::min<uint64_t>(pending.size(), head.nContentLength)));
    };
    auto name = nameSoFar();
    while (!name && pending.size() < head.nContentLength && connection.Fill()) name = nameSoFar();
    const auto plan = m_relay.TakePlanFor(name.value_or(std::string()));
    // Faults of the answer alone let the picture through, and so does a line that comes back
    // while its client still waits; the others take the place of the upstream. The body stays
    // pending for those, so they read it as if it had come to them.
    const bool bDrop = plan && plan->mode == FaultMode::Drop;
    if (bDrop && !CFaultResponder(m_nPort, m_log, m_stop).SitOutDrop(connection, head, *plan)) return;
    const bool bGoesThrough = plan && (bDrop || plan->mode == FaultMode::Slow || plan->mode == FaultMode::LieLonger);
    if (plan && !bGoesThrough) {
        CFaultResponder(m_nPort, m_log, m_stop).Serve(connection, head, *plan);
        return;
    }
    while (pending.size() < head.nContentLength)
        if (!connection.Fill()) break;
    const size_t nBody = std::min<uint64_t>(pending.size(), head.nContentLength);
    const std::string body = pending.substr(0, nBody);
    pending.erase(0, nBody);
    if (!bDrop) m_log.Add(head.strMethod, head.strPath, body.size());
    const std::string path = head.strPath.substr(std::string("/relay").size());
    const auto answer = m_relay.Exchange(head, path.empty() ? "/" : path, body);
    if (!answer) {
        connection.Send("HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        connection.FinishEarly();
    } else if (plan && plan->mode == FaultMode::LieLonger) {
        // Stored upstream; the answer that comes back is cut short.
        CFaultResponder(m_nPort, m_log, m_stop).Reply(connection, head, *plan);
    } else if (plan && plan->mode == FaultMode::Slow) {
        // The upstream is not kept waiting on the client.
        for (char c : *answer)
            if (!connection.Send(std::string_view(&c, 1)) || !m_stop.SleepFor(std::chrono::milliseconds(plan->nCount)))
                return;
        connection.FinishEarly();
    } else {
        connection.Send(*answer);
        connection.FinishEarly();
    }
}
