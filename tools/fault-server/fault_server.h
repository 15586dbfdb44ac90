// Accepts connections on 127.0.0.1 and serves each on its own thread according to the fault
// plan its request path names.
#pragma once
#include <atomic>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "connection.h"
#include "fault_plan.h"
#include "link.h"
#include "relay.h"
#include "request_log.h"
#include "stop_signal.h"

class CFaultServer {
public:
    // nUpstreamPort: the endpoint that /relay forwards to on 127.0.0.1 (0: none). With a link
    // shape, every connection is carried to it byte for byte over that emulated link instead.
    CFaultServer(FaultPlan defaultPlan, int nUpstreamPort, std::optional<LinkShape> link = std::nullopt)
        : m_defaultPlan(std::move(defaultPlan)), m_relay(nUpstreamPort) {
        if (link) m_link.emplace(nUpstreamPort, *link);
    }
    ~CFaultServer();
    CFaultServer(const CFaultServer&) = delete;
    CFaultServer& operator=(const CFaultServer&) = delete;

    // Port 0 picks a free one. Returns the port, or -1.
    int Bind(int nPort);
    // Serves until Stop (callable from any thread); then ends every connection and joins.
    void Run();
    void Stop();
    // What the emulated link carried ("" without one).
    std::string LinkSummary() const { return m_link ? m_link->Summary() : std::string(); }

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<CConnection> connection;
        std::shared_ptr<std::atomic<bool>> pbDone;
    };

    void Serve(CConnection& connection);
    void ServeRelay(CConnection& connection, RequestHead head);
    void Reap(bool bAll);

    FaultPlan m_defaultPlan;
    int m_fdListen = -1;
    int m_nPort = 0;
    CStopSignal m_stop;
    CRequestLog m_log;
    CRelay m_relay;
    std::optional<CLink> m_link;
    std::mutex m_lock;
    std::list<Worker> m_workers;
};
