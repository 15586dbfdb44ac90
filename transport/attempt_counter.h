// Counts the attempts of one transfer job and the redirects it has followed.
#pragma once
#include <cstdint>

// Each redirect starts a fresh count of attempts, so that a moved script gets its full share;
// the redirects themselves are capped, because a server that redirects in a circle would
// otherwise keep the job alive until the user cancels it.
class CAttemptCounter {
public:
    static constexpr uint32_t kMaxAttempts = 3;
    static constexpr uint32_t kMaxRedirects = 10;

    void Reset() {
        m_nAttempts = 0;
        m_nRedirects = 0;
    }
    // Counts a new attempt; false once the job has used up its attempts.
    [[nodiscard]] bool BeginAttempt() { return ++m_nAttempts <= kMaxAttempts; }
    // Attempts begun since the job (or its last redirect) started.
    uint32_t Used() const { return m_nAttempts; }
    // Another attempt may still begin.
    bool HasAttemptLeft() const { return m_nAttempts < kMaxAttempts; }
    // Counts a redirect that will be followed; false when the job has followed too many.
    // Only a redirect actually taken resets the attempts: one without a usable Location
    // is a failed attempt, not a fresh start.
    [[nodiscard]] bool TakeRedirect() {
        if (++m_nRedirects > kMaxRedirects) return false;
        m_nAttempts = 0;
        return true;
    }

private:
    uint32_t m_nAttempts = 0;
    uint32_t m_nRedirects = 0;
};
