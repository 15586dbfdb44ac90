// How often a changing figure is told to assistive technology: at most once an interval, the
// last change held back until its turn comes, so that a reader follows a fast pass without
// being flooded and still hears where it ended.
#pragma once
#include <cstdint>

class CAnnouncementPacer {
public:
    static constexpr std::uint32_t kIntervalMs = 1000;

    // A change at nNowMs (a millisecond tick, which may wrap): true when it is to be told now;
    // otherwise it is held until TakeDue.
    bool Change(std::uint32_t nNowMs);
    // True once when a held change may now be told.
    bool TakeDue(std::uint32_t nNowMs);
    bool IsHolding() const { return m_bHolding; }
    // A new window starts afresh.
    void Reset() { *this = CAnnouncementPacer(); }

private:
    bool IsTurn(std::uint32_t nNowMs) const { return !m_bTold || nNowMs - m_nToldMs >= kIntervalMs; }
    void Tell(std::uint32_t nNowMs);

    bool m_bTold = false;
    std::uint32_t m_nToldMs = 0;
    bool m_bHolding = false;
};
