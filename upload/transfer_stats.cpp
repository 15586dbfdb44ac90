#include "upload/transfer_stats.h"

#include <cmath>

#include "res/resource.h"

std::optional<double> CTransferStats::Sample(uint32_t nNowMs, double dAmountKB) {
    if (!m_bSampled) {
        m_bSampled = true;
        m_nLastMs = nNowMs;
        m_dLastKB = dAmountKB;
    }
    const uint32_t nElapsed = nNowMs - m_nLastMs;
    std::optional<double> speed;
    const double dDelta = dAmountKB - m_dLastKB;
    if (nElapsed > kMinGapMs && dDelta > 0) speed = dDelta / (nElapsed * 0.001);
    m_nLastMs = nNowMs;
    m_dLastKB = dAmountKB;
    return speed;
}

std::string FormatRemainingTime(double dRemainingKB, double dSpeedKBps, const CTextSource& texts) {
    // NaN compares false everywhere: it is treated as nothing to tell.
    if (!(dRemainingKB > 0) || !(dSpeedKBps > 0)) return std::string();
    const double dSeconds = dRemainingKB / dSpeedKBps;
    // Beyond this the day count no longer fits the text's integer; nobody waits that long.
    constexpr double kMaxDays = 2147483647.0;
    const double dDays = std::trunc(dSeconds * (1.0 / 86400));
    if (dDays > kMaxDays) return std::string();
    const int nDays = static_cast<int>(dDays);
    double dRest = dSeconds - nDays * 86400.0;
    const int nHours = static_cast<int>(dRest * (1.0 / 3600));
    dRest -= nHours * 3600.0;
    const int nMinutes = static_cast<int>(dRest * (1.0 / 60));
    const int nSeconds = static_cast<int>(dRest) - 60 * nMinutes;
    if (nDays) return FormatText(texts.Load(IDS_TIME_DAYS), nDays, nHours, nMinutes, nSeconds);
    if (nHours) return FormatText(texts.Load(IDS_TIME_HOURS), nHours, nMinutes, nSeconds);
    if (nMinutes) return FormatText(texts.Load(IDS_TIME_MINUTES), nMinutes, nSeconds);
    return FormatText(texts.Load(IDS_TIME_SECONDS), dRest);
}

std::string FormatSpeed(double dSpeedKBps, const CTextSource& texts) {
    return FormatText(texts.Load(dSpeedKBps > 1.0 ? IDS_SPEED_FAST : IDS_SPEED_SLOW), dSpeedKBps);
}
