#include "ui/space_account.h"

#include "ui/space_text.h"

bool CSpaceAccount::SetTotalSpace(double dKB) {
    if (!IsAcceptedSpace(dKB)) return false;
    m_dTotalKB = dKB;
    return true;
}

bool CSpaceAccount::SetUsedSpace(double dKB) {
    if (!IsAcceptedSpace(dKB)) return false;
    m_dUsedKB = dKB;
    return true;
}

std::string CSpaceAccount::FormatText(std::string_view strFormat) const {
    return FormatSpaceText(strFormat, m_dUsedKB, m_dTotalKB, m_dSelectedKB);
}

int CSpaceAccount::GetFilledPercent() const {
    if (!(m_dTotalKB > 0)) return 0;
    const double dPercent = (m_dUsedKB + m_dSelectedKB) * 100.0 / m_dTotalKB;
    // NaN fails both tests and counts as empty.
    if (!(dPercent > 0)) return 0;
    return dPercent >= 100 ? 100 : static_cast<int>(dPercent + 0.5);
}
