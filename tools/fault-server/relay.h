// The fault server in front of a real upload endpoint: uploads go through to it, except the
// next few of a picture named beforehand, which get a fault plan instead. So one batch can
// meet stored, rejected and faulted pictures, and a later try of the same picture goes
// through.
#pragma once
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "connection.h"
#include "fault_plan.h"
#include "request_head.h"

class CRelay {
public:
    explicit CRelay(int nUpstreamPort) : m_nUpstreamPort(nUpstreamPort) {}
    bool HasUpstream() const { return m_nUpstreamPort > 0; }

    // The next nCount uploads whose "imgfile" field is strName get the plan.
    void SetNamePlan(const std::string& strName, uint64_t nCount, const FaultPlan& plan);
    // The plan for this upload's picture, used up by one; none when it goes through.
    std::optional<FaultPlan> TakePlanFor(const std::string& strName);

    // Sends the request (head and the body already read) to the upstream server as strPath;
    // its whole answer, none when the upstream cannot be reached.
    std::optional<std::string> Exchange(const RequestHead& head, const std::string& strPath,
                                        const std::string& body) const;

private:
    struct NamePlan {
        uint64_t nLeft;
        FaultPlan plan;
    };
    int m_nUpstreamPort;
    std::mutex m_lock;
    std::map<std::string, NamePlan> m_plans;
};

// The value of the text field "imgfile" in (the start of) a multipart body; none while the
// field has not arrived whole.
std::optional<std::string> ImageFieldOf(std::string_view body);
