// The figures of a running pass: the speed between two progress reports and the time the
// rest will take, and the texts they are shown with.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "upload/text_source.h"

// The sampling state of one batch: the previous report's time and amount. Reports closer
// than kMinGapMs to the previous one measure no speed.
class CTransferStats {
public:
    static constexpr uint32_t kMinGapMs = 30;

    // nNowMs is the millisecond tick (it may wrap: differences are taken modulo 2^32);
    // dAmountKB what the pass has sent so far. The speed in KB per second when this report
    // is far enough from the previous one and the amount grew; every report becomes the
    // next one's reference.
    std::optional<double> Sample(uint32_t nNowMs, double dAmountKB);

private:
    bool m_bSampled = false;
    uint32_t m_nLastMs = 0;
    double m_dLastKB = 0;
};

// Strings 221-224 by the largest unit that is not zero; "" when nothing remains or the
// speed is not positive.
std::string FormatRemainingTime(double dRemainingKB, double dSpeedKBps, const CTextSource& texts);
// Strings 209 (above 1 KB/s) and 210.
std::string FormatSpeed(double dSpeedKBps, const CTextSource& texts);
