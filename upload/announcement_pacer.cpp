#include "upload/announcement_pacer.h"

void CAnnouncementPacer::Tell(std::uint32_t nNowMs) {
    m_bTold = true;
    m_nToldMs = nNowMs;
    m_bHolding = false;
}

bool CAnnouncementPacer::Change(std::uint32_t nNowMs) {
    if (!IsTurn(nNowMs)) {
        m_bHolding = true;
        return false;
    }
    Tell(nNowMs);
    return true;
}

bool CAnnouncementPacer::TakeDue(std::uint32_t nNowMs) {
    if (!m_bHolding || !IsTurn(nNowMs)) return false;
    Tell(nNowMs);
    return true;
}
