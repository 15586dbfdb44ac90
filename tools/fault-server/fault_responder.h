// Carries out one fault plan on one connection: reads (some of) the body, then answers,
// misbehaves or hangs up as the plan says.
#pragma once
#include "connection.h"
#include "fault_plan.h"
#include "request_head.h"
#include "request_log.h"
#include "stop_signal.h"

class CFaultResponder {
public:
    CFaultResponder(int nPort, CRequestLog& log, CStopSignal& stop) : m_nPort(nPort), m_log(log), m_stop(stop) {}

    void Serve(CConnection& connection, const RequestHead& head, const FaultPlan& plan);
    // The plan's answer once the body has been read, and the close or reset it ends with.
    void Reply(CConnection& connection, const RequestHead& head, const FaultPlan& plan);
    // Drop: takes the body up to the plan's count, then nothing at all for its time (the line is
    // dead), then what the client sent meanwhile, as a line that comes back delivers it. True
    // when the client is still there with its whole body, which is left pending; false when it
    // has gone, which a front that holds the request sees, and so forwards nothing.
    bool SitOutDrop(CConnection& connection, const RequestHead& head, const FaultPlan& plan);

private:
    std::string Origin() const;
    std::string Answer(const FaultPlan& plan, const RequestHead& head) const;

    int m_nPort;
    CRequestLog& m_log;
    CStopSignal& m_stop;
};

// The /ok answer: 200, Album-RetCode 100, Error-Info in GBK, a 3-byte body.
std::string OkAnswer();
