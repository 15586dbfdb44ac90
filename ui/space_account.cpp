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
