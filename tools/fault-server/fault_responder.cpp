#include "fault_responder.h"

#include <algorithm>
#include <cctype>

namespace {

// "上传成功" in code page 936, as the album server sends it.
constexpr std::string_view kGbkStored = "\xc9\xcf\xb4\xab\xb3\xc9\xb9\xa6";

const char* Reason(uint32_t nStatus) {
    switch (nStatus) {
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 206: return "Partial Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 401: return "Unauthorized";
    case 404: return "Not Found";
    case 407: return "Proxy Authentication Required";
    case 416: return "Range Not Satisfiable";
    case 429: return "Too Many Requests";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

bool HasNoBody(uint32_t nStatus) { return nStatus < 200 || nStatus == 204 || nStatus == 304; }

std::string StatusLine(uint32_t nStatus) {
    return "HTTP/1.1 " + std::to_string(nStatus) + " " + Reason(nStatus) + "\r\n";
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "%20100" gives " 100": values with blanks or odd bytes can be put in a path.
std::string PercentDecode(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            if (hi >= 0 && lo >= 0) {
                out.push_back(static_cast<char>(hi * 16 + lo));
                i += 2;
                continue;
            }
        }
        out.push_back(text[i]);
    }
    return out;
}

// An answer with a body and a truthful Content-Length.
std::string Whole(uint32_t nStatus, const std::string& headers, std::string_view body) {
    std::string out = StatusLine(nStatus) + headers;
    if (!HasNoBody(nStatus))
        out += "Content-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    if (!HasNoBody(nStatus)) out += body;
    return out;
}

const std::string kVerdict = "Album-RetCode: 100\r\nError-Info: " + std::string(kGbkStored) + "\r\n";

bool HasCookieHeader(const std::string& headerLines) {
    std::string lower = "\r\n" + headerLines;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower.find("\r\ncookie:") != std::string::npos;
}

}  // namespace

std::string OkAnswer() { return Whole(200, kVerdict, "ok\n"); }

std::string CFaultResponder::Origin() const { return "http://127.0.0.1:" + std::to_string(m_nPort); }

std::string CFaultResponder::Answer(const FaultPlan& plan, const RequestHead& head) const {
    switch (plan.mode) {
    case FaultMode::RetCode:
        return Whole(200, "Album-RetCode: " + PercentDecode(plan.strValue) + "\r\nError-Info: x\r\n", "ok\n");
    case FaultMode::Verdict: {
        // Any bytes but those that would end the header line.
        std::string info;
        for (char c : PercentDecode(plan.strInfo))
            if (c != '\r' && c != '\n' && c != '\0') info += c;
        std::string repeated;
        for (uint64_t i = 0; i < plan.nCount; ++i) repeated += info;
        return Whole(200, "Album-RetCode: " + PercentDecode(plan.strValue) + "\r\nError-Info: " + repeated + "\r\n",
                     "ok\n");
    }
    case FaultMode::CookieCheck:
        return Whole(HasCookieHeader(head.strHeaderLines) ? 500 : 200,
                     kVerdict + "Set-Cookie: tessaline=endpoint; Path=/\r\n", "ok\n");
    case FaultMode::RetCodeMissing: return Whole(200, "Error-Info: " + std::string(kGbkStored) + "\r\n", "ok\n");
    case FaultMode::Status:
        // The verdict is there all the same: a client must judge the status first.
        return Whole(plan.nStatus, kVerdict, std::string(Reason(plan.nStatus)) + "\n");
    case FaultMode::Busy:
        // What a busy endpoint says: no verdict, only when to come back (percent-decoded, so
        // that a date or garbage fits in the path).
        return Whole(plan.nStatus,
                     plan.strValue.empty() ? std::string() : "Retry-After: " + PercentDecode(plan.strValue) + "\r\n",
                     "busy\n");
    case FaultMode::Redirect:
        if (plan.nCount == 0) return OkAnswer();
        return Whole(plan.nStatus,
                     "Location: " + Origin() + "/redirect/" + std::to_string(plan.nStatus) + "/" +
                         std::to_string(plan.nCount - 1) + "\r\n",
                     "");
    case FaultMode::RedirectLoop: return Whole(plan.nStatus, "Location: " + Origin() + head.strPath + "\r\n", "");
    case FaultMode::RedirectPath: return Whole(plan.nStatus, "Location: /ok\r\n", "");
    case FaultMode::RedirectRelative: return Whole(plan.nStatus, "Location: ../ok\r\n", "");
    case FaultMode::RedirectNoLocation: return Whole(plan.nStatus, "", "");
    case FaultMode::RedirectScheme:
        return Whole(plan.nStatus, "Location: " + plan.strValue + "://127.0.0.1:" + std::to_string(m_nPort) + "/ok\r\n",
                     "");
    case FaultMode::RedirectTo: return Whole(plan.nStatus, "Location: " + PercentDecode(plan.strValue) + "\r\n", "");
    case FaultMode::LongBody: return Whole(200, kVerdict, std::string(static_cast<size_t>(plan.nCount), 'b'));
    case FaultMode::BigHeader:
        return Whole(200, "X-Padding: " + std::string(static_cast<size_t>(plan.nCount), 'p') + "\r\n" + kVerdict,
                     "ok\n");
    case FaultMode::LieLonger:
        return StatusLine(200) + kVerdict + "Content-Length: " + std::to_string(plan.nCount) +
               "\r\nConnection: close\r\n\r\n0123456789";
    case FaultMode::LieShorter:
        return StatusLine(200) + kVerdict + "Content-Length: 5\r\nConnection: close\r\n\r\n01234567890123456789";
    case FaultMode::Chunked:
        return StatusLine(200) + kVerdict +
               "Content-Type: text/plain\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n"
               "2\r\nok\r\n1\r\n\n\r\n0\r\n\r\n";
    case FaultMode::CloseMidHeaders: return StatusLine(200) + "Album-Ret";
    case FaultMode::ShowLog: return Whole(200, "", m_log.Text());
    case FaultMode::ClearLog: m_log.Clear(); return Whole(200, "", "cleared\n");
    default: return OkAnswer();
    }
}

void CFaultResponder::Serve(CConnection& connection, const RequestHead& head, const FaultPlan& plan) {
    if (head.bExpectContinue && plan.mode != FaultMode::CloseBeforeHeaders)
        connection.Send("HTTP/1.1 100 Continue\r\n\r\n");

    if (plan.mode == FaultMode::StopReading) {
        const uint64_t nRead = connection.Discard(std::min(plan.nCount, head.nContentLength));
        connection.ShrinkReceiveBuffer();
        // Logged once the reading has stopped, so that a test can wait for that moment.
        m_log.Add(head.strMethod, head.strPath, nRead);
        if (plan.nHoldMs)
            m_stop.SleepFor(std::chrono::milliseconds(plan.nHoldMs));
        else
            while (m_stop.SleepFor(std::chrono::hours(1))) {
            }
        connection.Reset();
        return;
    }
    if (plan.mode == FaultMode::Drop) {
        if (!SitOutDrop(connection, head, plan)) return;
        connection.Discard(head.nContentLength);
        Reply(connection, head, FaultPlan{});
        return;
    }
    if (plan.mode == FaultMode::ResetAfter) {
        const uint64_t nRead = connection.Discard(std::min(plan.nCount, head.nContentLength));
        m_log.Add(head.strMethod, head.strPath, nRead);
        connection.Reset();
        return;
    }
    const uint64_t nBody = connection.Discard(head.nContentLength);
    if (plan.mode != FaultMode::ShowLog && plan.mode != FaultMode::ClearLog)
        m_log.Add(head.strMethod, head.strPath, nBody);

    switch (plan.mode) {
    case FaultMode::CloseBeforeHeaders: return;
    case FaultMode::Stall: connection.WaitForPeerClose(); return;
    case FaultMode::NoLength: {
        // Without a length the close is what ends the body.
        if (!connection.Send(StatusLine(200) + kVerdict + "Content-Type: text/plain\r\nConnection: close\r\n\r\n"))
            return;
        const std::string block(65536, 'b');
        for (uint64_t nLeft = plan.nCount; nLeft > 0 && !m_stop.Raised();) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(nLeft, block.size()));
            if (!connection.Send(std::string_view(block).substr(0, n))) return;
            if (plan.nCount != kEndless) nLeft -= n;
        }
        return;
    }
    case FaultMode::Slow: {
        const auto interval = std::chrono::milliseconds(plan.nCount);
        for (char c : OkAnswer()) {
            if (!connection.Send(std::string_view(&c, 1)) || !m_stop.SleepFor(interval)) return;
        }
        return;
    }
    default: Reply(connection, head, plan);
    }
}

bool CFaultResponder::SitOutDrop(CConnection& connection, const RequestHead& head, const FaultPlan& plan) {
    std::string& pending = connection.Pending();
    const uint64_t nBeforeDrop = std::min(plan.nCount, head.nContentLength);
    while (pending.size() < nBeforeDrop)
        if (!connection.Fill()) break;
    // Logged as the line drops, so that a test can wait for that moment.
    m_log.Add(head.strMethod, head.strPath, std::min<uint64_t>(pending.size(), nBeforeDrop));
    if (!m_stop.SleepFor(std::chrono::milliseconds(plan.nHoldMs))) return false;
    while (pending.size() < head.nContentLength)
        if (!connection.Fill()) return false;
    return !connection.PeerHasClosed();
}

void CFaultResponder::Reply(CConnection& connection, const RequestHead& head, const FaultPlan& plan) {
    if (!connection.Send(Answer(plan, head))) return;
    if (plan.mode == FaultMode::LieLonger && plan.strValue == "reset") {
        // Long enough for the client to take the head and the bytes sent: the reset comes
        // while it reads the rest of the body.
        m_stop.SleepFor(std::chrono::milliseconds(200));
        connection.Reset();
    }
}
