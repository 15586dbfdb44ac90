#include "imaging/thumb_schedule.h"

#include <algorithm>

CThumbSchedule::CThumbSchedule(std::size_t nCount) : m_arrMade(nCount, false), m_nEnd(nCount) {}

void CThumbSchedule::Want(std::size_t nFirst, std::size_t nEnd, std::size_t nAround) {
    m_nEnd = std::min(nEnd, GetCount());
    m_nFirst = std::min(nFirst, m_nEnd);
    m_nAround = std::min(nAround, GetCount());
}

std::size_t CThumbSchedule::WantEnd() const { return std::min(GetCount(), m_nEnd + m_nAround); }

bool CThumbSchedule::TakeIfFree(std::size_t nIndex) {
    if (m_arrMade[nIndex]) return false;
    m_arrMade[nIndex] = true;
    return true;
}

std::optional<std::size_t> CThumbSchedule::Next() {
    for (std::size_t i = m_nFirst; i < m_nEnd; ++i)
        if (TakeIfFree(i)) return i;
    for (std::size_t d = 0; d < m_nAround; ++d) {
        const bool bBelow = m_nEnd + d < GetCount();
        const bool bAbove = d < m_nFirst;
        if (!bBelow && !bAbove) break;
        if (bBelow && TakeIfFree(m_nEnd + d)) return m_nEnd + d;
        if (bAbove && TakeIfFree(m_nFirst - 1 - d)) return m_nFirst - 1 - d;
    }
    return std::nullopt;
}

void CThumbSchedule::Forget(std::size_t nIndex) {
    if (nIndex < GetCount()) m_arrMade[nIndex] = false;
}

std::size_t CThumbSchedule::DistanceFromScreen(std::size_t nIndex) const {
    if (nIndex < m_nFirst) return m_nFirst - nIndex;
    if (nIndex >= m_nEnd) return nIndex - m_nEnd + 1;
    return 0;
}
