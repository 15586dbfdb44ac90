#include "fault_plan.h"

#include <charconv>
#include <vector>

namespace {

std::vector<std::string_view> Segments(std::string_view path) {
    path = path.substr(0, path.find('?'));
    std::vector<std::string_view> out;
    while (!path.empty()) {
        if (path.front() == '/') {
            path.remove_prefix(1);
            continue;
        }
        const size_t n = path.find('/');
        out.push_back(path.substr(0, n));
        path = n == std::string_view::npos ? std::string_view{} : path.substr(n);
    }
    return out;
}

std::optional<uint64_t> Number(std::string_view text, uint64_t nMax) {
    uint64_t n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n > nMax) return std::nullopt;
    return n;
}

std::optional<uint32_t> StatusAt(const std::vector<std::string_view>& seg, size_t i) {
    if (seg.size() <= i) return std::nullopt;
    const auto n = Number(seg[i], 999);
    if (!n || *n < 100) return std::nullopt;
    return static_cast<uint32_t>(*n);
}

}  // namespace

std::optional<FaultPlan> ParseFaultPlan(std::string_view path) {
    const auto seg = Segments(path);
    if (seg.empty()) return std::nullopt;
    const std::string_view name = seg[0];
    FaultPlan plan;
    auto simple = [&](FaultMode mode) -> std::optional<FaultPlan> {
        plan.mode = mode;
        return plan;
    };
    auto withStatus = [&](FaultMode mode) -> std::optional<FaultPlan> {
        const auto status = StatusAt(seg, 1);
        if (!status) return std::nullopt;
        plan.mode = mode;
        plan.nStatus = *status;
        return plan;
    };
    auto withCount = [&](FaultMode mode, uint64_t nDefault) -> std::optional<FaultPlan> {
        plan.mode = mode;
        plan.nCount = nDefault;
        if (seg.size() > 1) {
            const auto n = Number(seg[1], 1ull << 32);
            if (!n) return std::nullopt;
            plan.nCount = *n;
        }
        return plan;
    };

    if (name == "ok") return simple(FaultMode::Ok);
    if (name == "retcode-missing") return simple(FaultMode::RetCodeMissing);
    if (name == "cookie-check") return simple(FaultMode::CookieCheck);
    if (name == "retcode") {
        plan.mode = FaultMode::RetCode;
        plan.strValue = seg.size() > 1 ? std::string(seg[1]) : std::string();
        return plan;
    }
    if (name == "verdict") {
        if (seg.size() < 3) return std::nullopt;
        const auto repeat = seg.size() > 3 ? Number(seg[3], 1u << 20) : std::optional<uint64_t>(1);
        if (!repeat) return std::nullopt;
        plan.mode = FaultMode::Verdict;
        plan.strValue = std::string(seg[1]);
        plan.strInfo = std::string(seg[2]);
        plan.nCount = *repeat;
        return plan;
    }
    if (name == "status") return withStatus(FaultMode::Status);
    if (name == "busy") {
        if (seg.size() > 3) return std::nullopt;
        if (seg.size() == 3) plan.strValue = std::string(seg[2]);
        return withStatus(FaultMode::Busy);
    }
    if (name == "redirect") {
        const auto status = StatusAt(seg, 1);
        const auto hops = seg.size() > 2 ? Number(seg[2], 1000) : std::optional<uint64_t>(1);
        if (!status || !hops) return std::nullopt;
        plan.mode = FaultMode::Redirect;
        plan.nStatus = *status;
        plan.nCount = *hops;
        return plan;
    }
    if (name == "redirect-loop") return withStatus(FaultMode::RedirectLoop);
    if (name == "redirect-path") return withStatus(FaultMode::RedirectPath);
    if (name == "redirect-relative") return withStatus(FaultMode::RedirectRelative);
    if (name == "redirect-nolocation") return withStatus(FaultMode::RedirectNoLocation);
    if (name == "redirect-scheme") {
        if (seg.size() < 3 || seg[2].empty()) return std::nullopt;
        plan.strValue = std::string(seg[2]);
        return withStatus(FaultMode::RedirectScheme);
    }
    if (name == "redirect-to") {
        if (seg.size() != 3 || seg[2].empty()) return std::nullopt;
        plan.strValue = std::string(seg[2]);
        return withStatus(FaultMode::RedirectTo);
    }
    if (name == "reset-after") {
        if (seg.size() < 2) return std::nullopt;
        return withCount(FaultMode::ResetAfter, 0);
    }
    if (name == "stop-reading") {
        if (seg.size() < 2) return std::nullopt;
        const auto hold = seg.size() > 2 ? Number(seg[2], 3600000) : std::optional<uint64_t>(0);
        if (!hold) return std::nullopt;
        plan.nHoldMs = *hold;
        return withCount(FaultMode::StopReading, 0);
    }
    if (name == "drop") {
        if (seg.size() != 3) return std::nullopt;
        const auto hold = Number(seg[2], 3600000);
        if (!hold) return std::nullopt;
        plan.nHoldMs = *hold;
        return withCount(FaultMode::Drop, 0);
    }
    if (name == "close-before-headers") return simple(FaultMode::CloseBeforeHeaders);
    if (name == "close-mid-headers") return simple(FaultMode::CloseMidHeaders);
    if (name == "slow") return withCount(FaultMode::Slow, 100);
    if (name == "big-header") return withCount(FaultMode::BigHeader, 65536);
    if (name == "lie-longer") {
        if (seg.size() > 3 || (seg.size() == 3 && seg[2] != "reset")) return std::nullopt;
        if (seg.size() == 3) plan.strValue = "reset";
        return withCount(FaultMode::LieLonger, 1000);
    }
    if (name == "lie-shorter") return simple(FaultMode::LieShorter);
    if (name == "chunked") return simple(FaultMode::Chunked);
    // Without a count the body never ends: the server sends until the client hangs up.
    if (name == "no-length") return withCount(FaultMode::NoLength, kEndless);
    if (name == "long-body") {
        if (seg.size() < 2) return std::nullopt;
        return withCount(FaultMode::LongBody, 0);
    }
    if (name == "stall") return simple(FaultMode::Stall);
    if (name == "relay") return simple(FaultMode::Relay);
    if (name == "_fault-name") {
        if (seg.size() < 4) return std::nullopt;
        const auto n = Number(seg[2], 1u << 20);
        if (!n) return std::nullopt;
        std::string rest;
        for (size_t i = 3; i < seg.size(); ++i) rest += "/" + std::string(seg[i]);
        if (!ParseFaultPlan(rest)) return std::nullopt;
        plan.mode = FaultMode::FaultName;
        plan.strValue = std::string(seg[1]);
        plan.nCount = *n;
        plan.strInfo = rest;
        return plan;
    }
    if (name == "_log") return simple(FaultMode::ShowLog);
    if (name == "_clear") return simple(FaultMode::ClearLog);
    return std::nullopt;
}
